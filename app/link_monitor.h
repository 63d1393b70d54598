// The link monitor: watches the USB link about five times a second, takes the key
// panel away while the remote is missing and asks the user to reconnect it.
#pragma once

#include <QThread>
#include <functional>

namespace orvalin::app {

class Tmainorvalin;

class linkstate : public QThread {
    Q_OBJECT

  public:
    // The object lives on the window's thread (a child of the window); its body
    // runs on its own thread. finished() is the end notification.
    explicit linkstate(Tmainorvalin* window);
    ~linkstate() override;

    // Asks the body to end, releases it from any window step it is waiting for
    // (the step is then skipped) and waits until the body has returned. Window
    // thread only; never blocks on the window's own event processing.
    void stop_and_wait();

    static constexpr int kCycleMs = 200;

  protected:
    void run() override;

  private:
    // Runs step on the window's thread and waits for it. False when the step was
    // not run because the monitor is asked to end.
    bool on_window(const std::function<void()>& step);
    // Sleeps ms milliseconds; false as soon as the monitor is asked to end.
    bool pause(int ms);

    Tmainorvalin* window_;
};

}  // namespace orvalin::app
