// The collection of the code of the key being learned: one collection thread
// (TCollectCode) at a time, whose end reaches the window once, whether the
// thread ended by itself or was joined.
#pragma once

#include <QPointer>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "learning/collect_thread.h"

class QObject;

namespace orvalin::app {

class CodeCollection {
  public:
    // on_end: the window's end handler (collect_done), run on owner's thread.
    CodeCollection(QObject* owner, std::function<void()> on_end);

    bool running() const { return !thread_.isNull(); }
    // How long a thread waits for a code.
    void set_timeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

    // Starts a thread, unless an earlier one still ends (its end handler then
    // reports that no code came).
    void start();
    // Stops the running thread and waits for it; its end handler runs here.
    void finish();

    struct Ended {
        std::string collected;  // empty when no code came
        const char* outcome;    // why the thread ended, for the memo
    };
    // The ended thread let go of: what it left; none when there is no thread.
    std::optional<Ended> take();

  private:
    QObject* owner_;
    std::function<void()> on_end_;
    QPointer<learning::TCollectCode> thread_;
    std::chrono::milliseconds timeout_ = learning::TCollectCode::kDefaultTimeout;
};

}  // namespace orvalin::app
