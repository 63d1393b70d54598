// The link monitor against the simulated remote: unplugging, plugging back,
// closing from its box, and ending it with the window in every state.
#include <QDeadlineTimer>
#include <QFile>
#include <QScrollArea>
#include <atomic>
#include <functional>

#include "tests/app/window_fixture.h"

namespace orvalin::app::testing {
namespace {

const QString kReconnect = QStringLiteral("未检测到遥控器，请重新连接遥控器！");
const QString kCloseAsk = QStringLiteral("您需要关闭自学习软件吗！");

// Runs a hook on every box, before its scripted answer is returned.
class HookedPrompter : public ScriptedPrompter {
  public:
    Answer ask(QWidget* parent, const QString& title, const QString& text,
               Buttons buttons) override {
        if (hook) hook(text);
        return ScriptedPrompter::ask(parent, title, text, buttons);
    }
    std::function<void(const QString&)> hook;
};

class LinkMonitor : public WindowTest {
  protected:
    bool panel_taken() const {
        return !part<QScrollArea>(*window, "ykqbox")->isVisible() &&
               !part<IBtn>(*window, "beginstudyibtn")->isEnabled() &&
               !part<IBtn>(*window, "delstudykey")->isEnabled() &&
               !part<IBtn>(*window, "delallstudykey")->isEnabled();
    }
    bool panel_given_back() const {
        return part<QScrollArea>(*window, "ykqbox")->isVisible() &&
               part<IBtn>(*window, "beginstudyibtn")->isEnabled() &&
               part<IBtn>(*window, "delstudykey")->isEnabled() &&
               part<IBtn>(*window, "delallstudykey")->isEnabled();
    }
    HookedPrompter boxes;  // replaces the fixture's prompter
};

TEST_F(LinkMonitor, UnplugTakesThePanelAndReplugGivesItBack) {
    Tmainorvalin& w = start();
    ASSERT_FALSE(part<IBtn>(w, "delstudykey")->isEnabled())
        << "no learned key: delete button starts disabled";
    std::vector<bool> taken_while_asking;
    int asked = 0;
    boxes.hook = [&](const QString&) {
        taken_while_asking.push_back(panel_taken());
        if (++asked == 2) vorkel::sim::set_attached(true);
    };
    boxes.expect(kReconnect, Answer::retry, Buttons::retry_cancel, kBoxTitle)
        .expect(kReconnect, Answer::retry, Buttons::retry_cancel, kBoxTitle);
    vorkel::sim::set_attached(false);
    ASSERT_TRUE(wait_until([&] { return asked == 2; }));
    ASSERT_TRUE(wait_until([&] { return panel_given_back(); }));
    EXPECT_EQ(taken_while_asking, (std::vector<bool>{true, true}));
    // Enabled whatever they were before; the greyed picture stays.
    EXPECT_TRUE(same_picture(part<IBtn>(w, "delstudykey")->picture(), w.tool_pictures().deletehui));
    pump(300);  // no further box while attached
    EXPECT_TRUE(w.isVisible());
}

TEST_F(LinkMonitor, CancelThenCancelKeepsRunningAndAsksAgain) {
    Tmainorvalin& w = start();
    int asked = 0;
    boxes.hook = [&](const QString&) {
        if (++asked == 3) vorkel::sim::set_attached(true);
    };
    boxes.expect(kReconnect, Answer::cancel, Buttons::retry_cancel)
        .expect(kCloseAsk, Answer::cancel, Buttons::ok_cancel, kBoxTitle)
        .expect(kReconnect, Answer::retry, Buttons::retry_cancel);
    vorkel::sim::set_attached(false);
    ASSERT_TRUE(wait_until([&] { return asked == 3; }));
    ASSERT_TRUE(wait_until([&] { return panel_given_back(); }));
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.link_monitor());
    EXPECT_FALSE(w.closing());
}

TEST_F(LinkMonitor, CancelThenOkClosesThroughTheNormalPathEvenWhileLearning) {
    Tmainorvalin& w = start();
    w.beginstudyibtnClick();  // detached: learning does not hold the close
    ASSERT_TRUE(w.session().learning());
    boxes.expect(kReconnect, Answer::cancel, Buttons::retry_cancel)
        .expect(kCloseAsk, Answer::ok, Buttons::ok_cancel);
    vorkel::sim::set_attached(false);
    ASSERT_TRUE(wait_until([&] { return !w.isVisible(); }));
    EXPECT_TRUE(w.closing());
    EXPECT_FALSE(w.link_monitor()) << "the end handler let go of the monitor";
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
}

TEST_F(LinkMonitor, CloseWhileLearningIsRefusedOnlyWhileAttached) {
    Tmainorvalin& w = start();
    w.beginstudyibtnClick();
    boxes.expect(QStringLiteral("你正在学习，要退出系统请先停止学习！"), Answer::ok, Buttons::ok,
                 kBoxTitle);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.closing());
    EXPECT_TRUE(w.link_monitor());
    EXPECT_FALSE(w.link_monitor()->isInterruptionRequested());
    w.beginstudyibtnClick();
    EXPECT_FALSE(w.session().learning());
}

TEST_F(LinkMonitor, CloseEndsTheMonitorQuietly) {
    Tmainorvalin& w = start();
    QPointer<linkstate> monitor = w.link_monitor();
    ASSERT_TRUE(monitor);
    pump(250);  // at least one cycle
    const QString movie = w.animation_file();
    ASSERT_TRUE(QFile::exists(movie));
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(QFile::exists(movie)) << "removed at close";
    EXPECT_TRUE(w.closing());
    // It notices the request at its next pause; generous bound against hanging.
    EXPECT_TRUE(wait_until([&] { return !w.link_monitor(); }, 2000));
    EXPECT_FALSE(w.isVisible());
}

// The window goes away while the monitor waits for a window step that was never
// run: the step is dropped, the thread ends, nothing hangs or crashes.
TEST_F(LinkMonitor, WindowDestroyedWhileTheMonitorWaitsOnIt) {
    const struct {
        const char* name;
        bool close_first;
    } cases[] = {{"destroyed while open", false}, {"closed, then destroyed", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vorkel::sim::reset();
        Tmainorvalin& w = start();
        ASSERT_TRUE(w.link_monitor());
        vorkel::sim::set_attached(false);
        // No event processing: the monitor's hide step stays queued and it blocks.
        QThread::msleep(3 * linkstate::kCycleMs);
        ASSERT_TRUE(w.link_monitor()->isRunning());
        if (c.close_first) {
            // close() runs the close path directly; the queued step is still waiting.
            EXPECT_TRUE(w.close());
        }
        const QString movie = w.animation_file();
        window.reset();  // must return; no box is expected by the prompter
        EXPECT_FALSE(QFile::exists(movie));
        vorkel::sim::set_attached(true);
    }
}

}  // namespace
}  // namespace orvalin::app::testing
