// The link monitor: watches the USB link about five times a second, reports the
// link lost and back (the window takes its key panel away and gives it back) and
// asks the user to reconnect the remote.
#pragma once

#include <QThread>
#include <functional>

namespace orvalin::app {

class linkstate : public QThread {
    Q_OBJECT

  public:
    // The object lives on the window's thread (a child of the window, which also
    // parents its boxes); its body runs on its own thread. finished() is the end
    // notification.
    explicit linkstate(QWidget* window);
    ~linkstate() override;

    // Asks the body to end, releases it from any window step it is waiting for
    // (the step is then skipped) and waits until the body has returned. Window
    // thread only; never blocks on the window's own event processing.
    void stop_and_wait();

    static constexpr int kCycleMs = 200;

  signals:
    // Emitted on the window's thread; the body waits until the handlers return.
    void link_lost();
    void link_back();

  protected:
    void run() override;

  private:
    // Runs step on the window's thread and waits for it. False when the step was
    // not run because the monitor is asked to end.
    bool on_window(const std::function<void()>& step);
    // Sleeps ms milliseconds; false as soon as the monitor is asked to end.
    bool pause(int ms);

    QWidget* window_;
};

}  // namespace orvalin::app
