// A prompter for window tests: every box must have been announced with expect();
// a box that was not expected, or that differs in text, title or buttons, fails
// the test and is answered with Cancel/No.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "prompter/prompter.h"

namespace orvalin::app::testing {

struct ExpectedBox {
    QString text;
    Answer answer;
    Buttons buttons;
    QString title;        // empty: any
    bool prefix = false;  // the box text only starts with text (it goes on with a file name)
    std::function<void()> while_shown;  // what the user does before answering
};

class ScriptedPrompter : public Prompter {
  public:
    ScriptedPrompter() { set_prompter(this); }
    ~ScriptedPrompter() override {
        set_prompter(nullptr);
        std::lock_guard lock(mutex_);
        for (const auto& e : expected_)
            ADD_FAILURE() << "expected box never shown: " << e.text.toStdString();
    }

    ScriptedPrompter& expect(const QString& text, Answer answer, Buttons buttons = Buttons::ok,
                             const QString& title = {}) {
        std::lock_guard lock(mutex_);
        expected_.push_back({text, answer, buttons, title, false, {}});
        return *this;
    }
    ScriptedPrompter& expect_starting(const QString& text, Answer answer,
                                      Buttons buttons = Buttons::ok,
                                      std::function<void()> while_shown = {}) {
        std::lock_guard lock(mutex_);
        expected_.push_back({text, answer, buttons, {}, true, std::move(while_shown)});
        return *this;
    }

    Answer ask(QWidget*, const QString& title, const QString& text, Buttons buttons) override {
        std::lock_guard lock(mutex_);
        shown_.push_back(text);
        if (expected_.empty()) {
            ADD_FAILURE() << "unexpected box: " << text.toStdString();
            return buttons == Buttons::yes_no ? Answer::no : Answer::cancel;
        }
        ExpectedBox e = expected_.front();
        expected_.pop_front();
        if (e.prefix) {
            EXPECT_TRUE(text.startsWith(e.text)) << text.toStdString();
        } else {
            EXPECT_EQ(text.toStdString(), e.text.toStdString());
        }
        EXPECT_EQ(static_cast<int>(buttons), static_cast<int>(e.buttons)) << text.toStdString();
        if (!e.title.isEmpty()) {
            EXPECT_EQ(title.toStdString(), e.title.toStdString());
        }
        if (e.while_shown) e.while_shown();
        return e.answer;
    }

    std::size_t pending() const {
        std::lock_guard lock(mutex_);
        return expected_.size();
    }
    std::vector<QString> shown() const {
        std::lock_guard lock(mutex_);
        return shown_;
    }

  private:
    mutable std::mutex mutex_;
    std::deque<ExpectedBox> expected_;
    std::vector<QString> shown_;
};

}  // namespace orvalin::app::testing
