#include "prompter/prompter.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <atomic>
#include <vector>

namespace orvalin::ui {
namespace {

class MessageBoxPrompter : public Prompter {
  public:
    Answer ask(QWidget* parent, const QString& title, const QString& text,
               Buttons buttons) override {
        QMessageBox box(parent);
        // The titles are the program's own, translated here like the captions.
        box.setWindowTitle(QCoreApplication::translate("Prompter", title.toUtf8().constData()));
        box.setText(text);
        struct Choice {
            QMessageBox::StandardButton button;
            const char* caption;
            Answer answer;
        };
        std::vector<Choice> choices;
        switch (buttons) {
            case Buttons::ok:
                box.setIcon(QMessageBox::Information);
                choices = {{QMessageBox::Ok, QT_TRANSLATE_NOOP("Prompter", "确定"), Answer::ok}};
                break;
            case Buttons::ok_cancel:
                box.setIcon(QMessageBox::Question);
                choices = {
                    {QMessageBox::Ok, QT_TRANSLATE_NOOP("Prompter", "确定"), Answer::ok},
                    {QMessageBox::Cancel, QT_TRANSLATE_NOOP("Prompter", "取消"), Answer::cancel}};
                break;
            case Buttons::yes_no:
                box.setIcon(QMessageBox::Question);
                choices = {{QMessageBox::Yes, QT_TRANSLATE_NOOP("Prompter", "是"), Answer::yes},
                           {QMessageBox::No, QT_TRANSLATE_NOOP("Prompter", "否"), Answer::no}};
                break;
            case Buttons::retry_cancel:
                box.setIcon(QMessageBox::Warning);
                choices = {
                    {QMessageBox::Retry, QT_TRANSLATE_NOOP("Prompter", "重试"), Answer::retry},
                    {QMessageBox::Cancel, QT_TRANSLATE_NOOP("Prompter", "取消"), Answer::cancel}};
                break;
        }
        QMessageBox::StandardButtons set;
        for (const auto& c : choices) set |= c.button;
        box.setStandardButtons(set);
        for (const auto& c : choices)
            box.button(c.button)->setText(QCoreApplication::translate("Prompter", c.caption));
        const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
        for (const auto& c : choices)
            if (c.button == pressed) return c.answer;
        // Closed with Escape or the window's close button: the negative answer.
        return buttons == Buttons::ok       ? Answer::ok
               : buttons == Buttons::yes_no ? Answer::no
                                            : Answer::cancel;
    }
};

// The one title that is not a program name, so that the translation knows it.
[[maybe_unused]] const char* const kBoxTitleText = QT_TRANSLATE_NOOP("Prompter", "提示");

MessageBoxPrompter default_prompter;
std::atomic<Prompter*> current{nullptr};

}  // namespace

Prompter& prompter() {
    Prompter* p = current.load();
    return p != nullptr ? *p : default_prompter;
}

void set_prompter(Prompter* p) {
    current.store(p);
}

}  // namespace orvalin::ui
