// A close asked for while a handler's box is open (the link monitor's "close the
// program?" answered OK while the remote is away) waits until the handler has
// returned: the session's end never runs underneath it.
#include <QLabel>

#include "app/ibtn.h"
#include "app/link_monitor.h"
#include "learning/code_table.h"
#include "tests/app/learning_fixture.h"

namespace orvalin::app::testing {
namespace {

const QString kReconnect = QStringLiteral("未检测到遥控器，请重新连接遥控器！");
const QString kCloseAsk = QStringLiteral("您需要关闭自学习软件吗！");
const QString kCommitAsk = QStringLiteral("你是否确认本次自学习的按键？");

// Runs a hook while the box with the given text is "open": after its answer is
// taken, before it is returned to the handler.
class BoxWithHook : public ScriptedPrompter {
  public:
    Answer ask(QWidget* parent, const QString& title, const QString& text,
               Buttons buttons) override {
        const Answer answer = ScriptedPrompter::ask(parent, title, text, buttons);
        if (hook && text == hook_text) {
            const std::function<void()> run = std::move(hook);
            hook = nullptr;
            run();
        }
        return answer;
    }
    QString hook_text;
    std::function<void()> hook;
};

class Reentrancy : public SessionTest {
  protected:
    // The remote goes away while the box is open; the user tells the link monitor
    // to close the program (its two boxes are expected by the caller). Returns once
    // the monitor has ended and its end handler has asked the window to close.
    void close_from_link_monitor(Tmainorvalin& w) {
        vorkel::sim::set_attached(false);
        ASSERT_TRUE(wait_for([&] { return !w.link_monitor(); }));
        wait_for([] { return false; }, std::chrono::milliseconds(50));  // let a close run
    }
};

TEST_F(Reentrancy, CloseDuringTheReceivedBoxWaitsForTheEndOfCollection) {
    auto w = open_window();
    BoxWithHook hooked;
    start_learning(*w);
    bool visible_inside = false;
    hooked.hook_text = QStringLiteral("已接收到遥控器编码！");
    hooked.hook = [&] {
        close_from_link_monitor(*w);
        visible_inside = w->isVisible();
        // The session is still the handler's: learning, the key waiting.
        EXPECT_TRUE(w->session().learning());
        EXPECT_TRUE(w->session().changed());
    };
    vorkel::sim::queue_signal(nec_signal());
    // The close that follows asks the commit question once.
    hooked.expect(QStringLiteral("已接收到遥控器编码！"), Answer::ok)
        .expect(kReconnect, Answer::cancel, Buttons::retry_cancel)
        .expect(kCloseAsk, Answer::ok, Buttons::ok_cancel)
        .expect(kCommitAsk, Answer::no, Buttons::yes_no);
    w->key_click(key(*w, 0x10));
    ASSERT_TRUE(wait_for([&] { return !hooked.hook; }));
    EXPECT_TRUE(visible_inside) << "the close ran inside the handler";
    // The handler finished: the key is learned and waits for the commit.
    EXPECT_TRUE(has_line(w->session().keys(), "10|3"));
    EXPECT_EQ(status_text(*w), QStringLiteral("TV区的VOL+键已接收遥控器编码！"));

    // Then the close: remote detached, so learning does not hold it.
    EXPECT_TRUE(wait_for([&] { return !w->isVisible(); }));
    EXPECT_EQ(hooked.pending(), 0u);
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
    vorkel::sim::set_attached(true);
}

TEST_F(Reentrancy, CloseDuringTheCommitQuestionWaitsForTheStopOfLearning) {
    auto w = open_window();
    BoxWithHook hooked;
    start_learning(*w);
    hooked.expect(QStringLiteral("已接收到遥控器编码！"), Answer::ok);
    vorkel::sim::queue_signal(nec_signal());
    w->key_click(key(*w, 0x10));
    ASSERT_TRUE(wait_collection_done(*w));

    bool visible_inside = false;
    hooked.hook_text = kCommitAsk;
    hooked.hook = [&] {
        close_from_link_monitor(*w);
        visible_inside = w->isVisible();
        EXPECT_TRUE(w->session().changed());
    };
    hooked.expect(kCommitAsk, Answer::no, Buttons::yes_no)
        .expect(kReconnect, Answer::cancel, Buttons::retry_cancel)
        .expect(kCloseAsk, Answer::ok, Buttons::ok_cancel);
    w->beginstudyibtnClick();
    EXPECT_TRUE(visible_inside) << "the close ran inside the handler";
    EXPECT_FALSE(w->session().learning());
    EXPECT_FALSE(w->session().changed());
    EXPECT_FALSE(has_code(w->session().keys(), "10"));

    // The close finds nothing left to commit: no second question (any box would
    // fail the test), nothing written.
    EXPECT_TRUE(wait_for([&] { return !w->isVisible(); }));
    const auto shown = hooked.shown();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), kCommitAsk), 1);
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
    vorkel::sim::set_attached(true);
}

TEST_F(Reentrancy, CloseDuringTheDeleteQuestionAfterALinkLossKeepsTheDeletionUnwritten) {
    std::string table = remote_table_hex(11264);
    for (const char* code : {"10", "12"}) {
        const learning::TableResult r = learning::rebuild_code_text(
            table, std::string("0001") + code + "CF000004000003" + "5A5A1234" + "C0FFEE");
        ASSERT_TRUE(r.ok());
        table = r.text;
    }
    vorkel::sim::set_code_table(bytes_of(table));
    auto w = open_window();
    BoxWithHook hooked;
    w->delete_toggle_click();
    ASSERT_TRUE(w->session().deleting());

    const QString question = QStringLiteral("你确实要删除该自学习按键的编码？");
    bool visible_inside = false;
    hooked.hook_text = question;
    hooked.hook = [&] {
        close_from_link_monitor(*w);
        visible_inside = w->isVisible();
        EXPECT_FALSE(w->session().changed());
        vorkel::sim::set_attached(true);  // back before the close writes
    };
    hooked.expect(question, Answer::yes, Buttons::yes_no)
        .expect(kReconnect, Answer::cancel, Buttons::retry_cancel)
        .expect(kCloseAsk, Answer::ok, Buttons::ok_cancel)
        .expect_starting(QStringLiteral("删除操作失败！"), Answer::ok);
    w->key_click(key(*w, 0x10));
    EXPECT_TRUE(visible_inside) << "the close ran inside the handler";
    EXPECT_TRUE(w->session().changed());
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);

    // The link came back: it may be another remote, so the close writes nothing onto
    // it and keeps the deletion in the unwritten table.
    EXPECT_TRUE(wait_for([&] { return !w->isVisible(); }));
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
    EXPECT_TRUE(has_code(remote_key_lines(), "10"));
    EXPECT_TRUE(has_code(remote_key_lines(), "12"));
    EXPECT_FALSE(unwritten_tables().empty());
}

}  // namespace
}  // namespace orvalin::app::testing
