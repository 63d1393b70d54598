// A new user's first key, through the window's own buttons: the simulated remote
// plays its built-in demo signals, the user clicks what the window asks for. Set
// ORVALIN_WALKTHROUGH_SHOTS to a folder to keep a picture of every step, and
// ORVALIN_WALKTHROUGH_PACE to a per-transfer delay in microseconds to walk at the
// simulated remote's pace for the program (1000) instead of the tests' pace.
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

#include "app/ibtn.h"
#include "learning/code_table.h"
#include "tests/app/learning_fixture.h"

namespace orvalin::app::testing {
namespace {

void click(QWidget* widget) {
    const QPointF local(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

class Walkthrough : public SessionTest {
  protected:
    void shot(Tmainorvalin& w, const char* name) {
        const QByteArray dir = qgetenv("ORVALIN_WALKTHROUGH_SHOTS");
        if (dir.isEmpty()) return;
        w.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/") + QLatin1String(name) +
                      QStringLiteral(".png"));
    }
};

TEST_F(Walkthrough, FirstKeyFromTheDemoSignalsWithTheWindowsButtons) {
    vorkel::sim::set_demo_signals(true);
    const int pace = qEnvironmentVariableIntValue("ORVALIN_WALKTHROUGH_PACE");
    vorkel::sim::set_latency_us(pace);
    // The user presses a moment later (about 1.5 s at the program's pace).
    vorkel::sim::set_signal_delay_polls(pace > 0 ? 1500 : 20);
    const auto started = std::chrono::steady_clock::now();
    auto w = open_window();
    const auto shown = std::chrono::steady_clock::now();
    EXPECT_EQ(status_text(*w), QStringLiteral("您现在是在 电视/TV 里进行自学习！"));
    shot(*w, "1-start");

    click(part<IBtn>(*w, "beginstudyibtn"));
    EXPECT_TRUE(w->session().learning());
    EXPECT_EQ(status_text(*w), QStringLiteral("请在左面遥控器上点击待学习的按键！"));
    shot(*w, "2-learning-on");

    boxes.expect(QStringLiteral("已接收到遥控器编码！"), Answer::ok);
    click(key(*w, 0x10));  // VOL+
    EXPECT_EQ(status_text(*w), QStringLiteral("准备学习TV区的 VOL+ 按键， 请发码"));
    shot(*w, "3-waiting-for-the-code");
    const auto clicked = std::chrono::steady_clock::now();
    ASSERT_TRUE(wait_collection_done(*w));
    const auto received = std::chrono::steady_clock::now();
    EXPECT_EQ(status_text(*w), QStringLiteral("TV区的VOL+键已接收遥控器编码！"));
    using ms = std::chrono::milliseconds;
    RecordProperty("start_ms",
                   static_cast<int>(std::chrono::duration_cast<ms>(shown - started).count()));
    RecordProperty("code_ms",
                   static_cast<int>(std::chrono::duration_cast<ms>(received - clicked).count()));
    shot(*w, "4-code-received");

    boxes.expect(QStringLiteral("你是否确认本次自学习的按键？"), Answer::yes, Buttons::yes_no)
        .expect(QStringLiteral("自学习操作完成！"), Answer::ok);
    click(part<IBtn>(*w, "beginstudyibtn"));
    EXPECT_FALSE(w->session().learning());
    EXPECT_EQ(status_text(*w), QStringLiteral("自学习操作完成！"));
    shot(*w, "5-written");
    const learning::KeyStates remote = remote_key_lines();
    EXPECT_TRUE(has_line(remote, "10|2"));
    close_window(*w);
}

}  // namespace
}  // namespace orvalin::app::testing
