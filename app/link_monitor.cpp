#include "app/link_monitor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QWidget>

#include "device/vorkel.h"
#include "prompter/prompter.h"

namespace orvalin::app {

linkstate::linkstate(QWidget* window) : QThread(window), window_(window) {
    setObjectName(QStringLiteral("linkstate"));
}

linkstate::~linkstate() {
    stop_and_wait();
}

void linkstate::stop_and_wait() {
    requestInterruption();
    // A window step posted by the body waits in this thread's event queue; removing
    // it releases the body without running the step.
    while (!wait(QDeadlineTimer(10))) QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
}

bool linkstate::pause(int ms) {
    QDeadlineTimer until(ms);
    while (!until.hasExpired()) {
        if (isInterruptionRequested()) return false;
        msleep(static_cast<unsigned long>(std::min<qint64>(10, until.remainingTime())));
    }
    return !isInterruptionRequested();
}

bool linkstate::on_window(const std::function<void()>& step) {
    if (isInterruptionRequested()) return false;
    bool ran = false;
    // The receiver (this object) lives on the window's thread.
    QMetaObject::invokeMethod(
        this,
        [&] {
            if (isInterruptionRequested()) return;
            step();
            ran = true;
        },
        Qt::BlockingQueuedConnection);
    return ran;
}

void linkstate::run() {
    bool lost = false;
    while (!isInterruptionRequested()) {
        const bool attached = link_state();
        if (!pause(kCycleMs)) break;
        if (!attached) {
            QWidget* w = window_;
            if (!on_window([this] { emit link_lost(); })) break;
            lost = true;
            Answer answer = Answer::retry;
            if (!on_window([&] {
                    answer = box(w,
                                 QCoreApplication::translate("linkstate",
                                                             "未检测到遥控器，请重新连接遥控器！"),
                                 Buttons::retry_cancel);
                }))
                break;
            if (answer == Answer::cancel) {
                Answer close_answer = Answer::cancel;
                if (!on_window([&] {
                        close_answer = box(
                            w, QCoreApplication::translate("linkstate", "您需要关闭自学习软件吗！"),
                            Buttons::ok_cancel);
                    }))
                    break;
                if (close_answer == Answer::ok) return;  // the end handler closes the window
            }
            continue;
        }
        if (lost) {
            lost = false;
            if (!on_window([this] { emit link_back(); })) break;
        }
    }
}

}  // namespace orvalin::app
