// The learning session in the real main window against the simulated remote:
// learning, commit and decline, relearning, the refusals, and the table reaching
// the remote (and a new start) only on commit.
#include <QLabel>
#include <QPlainTextEdit>
#include <fstream>
#include <sstream>

#include "app/ibtn.h"
#include "learning/code_table.h"
#include "tests/app/learning_fixture.h"

namespace orvalin::app::testing {
namespace {

using learning::KeyStates;

// The remote's table area as the program reads it (5632 bytes as hex).
std::string remote_area() {
    return remote_table_hex(11264);
}

// A preset key of CBL mode that the key panel shows (key code, table code).
std::pair<int, std::string> cbl_preset_key(const Tmainorvalin& w) {
    for (const learning::KeyEntry& e : w.session().keys()) {
        const int k = e.code - kCodesPerMode;
        if (e.state == learning::KeyState::preset && k >= 4 && k < kKeysPerMode)
            return {k, learning::table_code(e.code, 0)};
    }
    ADD_FAILURE() << "the factory table has no visible CBL preset";
    return {-1, ""};
}

class LearningSession : public SessionTest {};

// Messages name a key as its picture shows it: F1 is one of twelve keys named 自定义,
// OK and AV are drawn as such; a key drawn as a symbol keeps its name.
TEST_F(LearningSession, MessagesNameKeysAsTheirPicturesShowThem) {
    const struct {
        int code;
        const char* name;
    } cases[] = {{0x16, "F1"}, {0x1A, "OK"}, {0x0D, "AV"}, {0x17, "UP"}, {0x20, "播放"}};
    auto w = open_window();
    start_learning(*w);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        learn(*w, c.code, nec_signal());
        EXPECT_EQ(status_text(*w), QStringLiteral("TV区的") + QString::fromUtf8(c.name) +
                                       QStringLiteral("键已接收遥控器编码！"));
    }
    stop_learning(*w, Answer::no);
    close_window(*w);
}

TEST_F(LearningSession, LearnedKeyIsWrittenOnCommitAndReadBackAtTheNextStart) {
    const std::string before = remote_area();
    {
        auto w = open_window();
        start_learning(*w);
        EXPECT_EQ(status_text(*w), QStringLiteral("请在左面遥控器上点击待学习的按键！"));
        EXPECT_TRUE(part<QLabel>(*w, "Image5")->isVisible());

        learn(*w, 0x10, nec_signal());  // VOL+
        EXPECT_TRUE(has_line(w->session().keys(), "10|3"));
        EXPECT_TRUE(w->session().changed());
        EXPECT_NE(w->session().working_table(), w->session().table());
        EXPECT_EQ(status_text(*w), QStringLiteral("TV区的VOL+键已接收遥控器编码！"));
        EXPECT_FALSE(key(*w, 0x10)->IsEnable());  // shown as learned
        EXPECT_TRUE(part<IBtn>(*w, "delstudykey")->isEnabled());
        EXPECT_TRUE(part<QPlainTextEdit>(*w, "Memo2")
                        ->toPlainText()
                        .contains(QStringLiteral("collected: ")));
        // Nothing reaches the remote before the commit.
        EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
        EXPECT_EQ(remote_area(), before);

        stop_learning(*w, Answer::yes);
        EXPECT_EQ(vorkel::sim::code_table_writes(), 1u);
        EXPECT_TRUE(has_line(w->session().keys(), "10|2"));
        EXPECT_FALSE(w->session().changed());
        EXPECT_EQ(w->session().table(), w->session().working_table());
        EXPECT_EQ(status_text(*w), QStringLiteral("自学习操作完成！"));
        EXPECT_TRUE(part<QLabel>(*w, "Image4")->isVisible());
        EXPECT_EQ(remote_table_hex(w->session().table().size()), w->session().table());

        // The backup holds what the remote held before the write.
        const auto files = backups();
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(read_file(files[0]), before + "\n");
        close_window(*w);
    }
    auto again = open_window();
    EXPECT_TRUE(has_line(again->session().keys(), "10|2"));
    EXPECT_FALSE(key(*again, 0x10)->IsEnable());
    close_window(*again);
}

TEST_F(LearningSession, DeclineLeavesTheRemoteAndRestoresEveryKey) {
    auto w = open_window();
    // A key learned in an earlier session.
    start_learning(*w);
    learn(*w, 0x10, nec_signal());
    stop_learning(*w, Answer::yes);
    const std::string committed = remote_area();
    const KeyStates lines_before = w->session().keys();
    const std::string table_before = w->session().table();

    start_learning(*w);
    boxes.expect(QStringLiteral("VOL+键编码已学习过，要重新学习吗?"), Answer::yes, Buttons::yes_no);
    learn(*w, 0x10, nec_signal());
    learn(*w, 0x12, nec_signal());  // CH+, never learned
    w->CBL_IBTNClick();
    const auto [preset_key, preset_code] = cbl_preset_key(*w);
    learn(*w, preset_key, nec_signal());  // a preset is relearned without a question
    EXPECT_TRUE(has_line(w->session().keys(), "10|3"));
    EXPECT_TRUE(has_line(w->session().keys(), "12|3"));
    EXPECT_TRUE(has_line(w->session().keys(), preset_code + "|3"));

    stop_learning(*w, Answer::no);
    EXPECT_EQ(vorkel::sim::code_table_writes(), 1u);
    EXPECT_EQ(remote_area(), committed);
    EXPECT_EQ(w->session().keys(), lines_before);
    EXPECT_EQ(w->session().table(), table_before);
    EXPECT_EQ(w->session().working_table(), table_before);
    EXPECT_FALSE(w->session().changed());
    EXPECT_EQ(backups().size(), 1u);
    // CBL is shown: the preset key has its preset look again, not the learned one.
    EXPECT_TRUE(key(*w, preset_key)->IsEnable());
    w->TV_IBTNClick();
    EXPECT_FALSE(key(*w, 0x10)->IsEnable());
    EXPECT_TRUE(key(*w, 0x12)->IsEnable());
    close_window(*w);
}

TEST_F(LearningSession, DeclineDoesNotBringBackALineFromAnEarlierSession) {
    auto w = open_window();
    w->CBL_IBTNClick();
    const auto [k, code] = cbl_preset_key(*w);
    // A preset key learned and kept ("1" goes to the earlier lines), then deleted:
    // the key holds no code any more.
    start_learning(*w);
    learn(*w, k, nec_signal());
    stop_learning(*w, Answer::yes);
    w->delete_toggle_click();
    // The only learned key: written at once.
    boxes.expect(QStringLiteral("你确实要删除该自学习按键的编码？"), Answer::yes, Buttons::yes_no)
        .expect(QStringLiteral("删除操作完成！"), Answer::ok);
    w->key_click(key(*w, k));
    ASSERT_FALSE(has_code(w->session().keys(), code));

    // Learned again and declined: still no code, not the old preset line.
    start_learning(*w);
    learn(*w, k, nec_signal());
    stop_learning(*w, Answer::no);
    EXPECT_FALSE(has_code(w->session().keys(), code));
    EXPECT_FALSE(has_code(remote_key_lines(), code));
    close_window(*w);
}

TEST_F(LearningSession, RelearningAsksOnlyForLearnedKeys) {
    auto w = open_window();
    start_learning(*w);
    learn(*w, 0x10, nec_signal());  // "3"
    w->set_collect_timeout(std::chrono::seconds(30));

    // No keeps everything: no key picked, no thread, the line as it was.
    const KeyStates lines = w->session().keys();
    boxes.expect(QStringLiteral("VOL+键编码已学习过，要重新学习吗?"), Answer::no, Buttons::yes_no);
    w->key_click(key(*w, 0x10));
    EXPECT_EQ(w->session().keys(), lines);
    EXPECT_TRUE(w->key_being_learned() == nullptr);
    EXPECT_FALSE(w->collecting());

    stop_learning(*w, Answer::yes);  // now "2"
    start_learning(*w);
    boxes.expect(QStringLiteral("VOL+键编码已学习过，要重新学习吗?"), Answer::no, Buttons::yes_no);
    w->key_click(key(*w, 0x10));
    EXPECT_FALSE(w->collecting());

    // A preset ("1") and a key without a line: no question, the collection starts.
    w->CBL_IBTNClick();
    const int preset = cbl_preset_key(*w).first;
    for (int k : {preset, 0x12}) {
        w->key_click(key(*w, k));
        EXPECT_TRUE(w->collecting());
        EXPECT_NE(w->key_being_learned(), nullptr);
        stop_learning_without_changes(*w);
        EXPECT_FALSE(w->collecting());
        EXPECT_TRUE(w->key_being_learned() == nullptr);
        start_learning(*w);
    }
    stop_learning_without_changes(*w);
    close_window(*w);
}

TEST_F(LearningSession, RefusedClicksChangeNothing) {
    auto w = open_window();
    w->set_collect_timeout(std::chrono::seconds(30));
    // Learning is off.
    boxes.expect(QStringLiteral("请先点击开始学习按钮！"), Answer::ok);
    w->key_click(key(*w, 0x10));
    EXPECT_FALSE(w->collecting());

    // The mode keys do nothing in any state.
    for (int mode_key : {0x01, 0x02, 0x03}) w->key_click(key(*w, mode_key));
    start_learning(*w);
    for (int mode_key : {0x01, 0x02, 0x03}) w->key_click(key(*w, mode_key));
    EXPECT_FALSE(w->collecting());

    // A second key while a code is awaited: the waiting key's Path twice.
    w->key_click(key(*w, 0x10));
    ASSERT_TRUE(w->collecting());
    boxes.expect(QStringLiteral("VOL+按键正在学习，要停止VOL+按键,请点击停止学习按钮"), Answer::ok);
    w->key_click(key(*w, 0x12));
    EXPECT_NE(w->key_being_learned(), nullptr);
    EXPECT_EQ(w->key_being_learned(), key(*w, 0x10));

    // The stop lets the thread end before it returns; nothing was learned.
    stop_learning_without_changes(*w);
    EXPECT_FALSE(w->collecting());
    EXPECT_TRUE(w->key_being_learned() == nullptr);
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);

    // In the delete state learning cannot start.
    w->delete_toggle_click();
    boxes.expect(QStringLiteral("现在在删除状态，要学习请先停止删除！"), Answer::ok);
    w->beginstudyibtnClick();
    EXPECT_FALSE(w->session().learning());
    w->delete_toggle_click();
    close_window(*w);
}

TEST_F(LearningSession, CodeArrivingAfterAModeSwitchGoesToTheNewMode) {
    auto w = open_window();
    start_learning(*w);
    w->key_click(key(*w, 0x10));
    ASSERT_TRUE(w->collecting());
    w->CBL_IBTNClick();
    vorkel::sim::queue_signal(nec_signal());
    boxes.expect(QStringLiteral("已接收到遥控器编码！"), Answer::ok);
    ASSERT_TRUE(wait_collection_done(*w));
    EXPECT_TRUE(has_line(w->session().keys(), "43|3"));  // 0x10 + 0x33
    EXPECT_FALSE(has_code(w->session().keys(), "10"));
    EXPECT_EQ(status_text(*w), QStringLiteral("CBL区的VOL+键已接收遥控器编码！"));
    stop_learning(*w, Answer::yes);
    EXPECT_TRUE(has_line(remote_key_lines(), "43|2"));
    close_window(*w);
}

TEST_F(LearningSession, NoCodeInTimeAsksForTheKeyAgain) {
    auto w = open_window();
    w->set_collect_timeout(std::chrono::milliseconds(200));
    start_learning(*w);
    w->key_click(key(*w, 0x10));
    EXPECT_FALSE(part<QLabel>(*w, "Imagehint")->isVisible());
    ASSERT_TRUE(wait_collection_done(*w));
    EXPECT_EQ(status_text(*w), QStringLiteral("请重新选择按键进行学习！"));
    EXPECT_TRUE(part<QLabel>(*w, "Imagehint")->isVisible());
    EXPECT_FALSE(w->session().changed());
    EXPECT_FALSE(has_code(w->session().keys(), "10"));
    EXPECT_TRUE(key(*w, 0x10)->IsEnable());
    // Learning goes on: the next key can be learned.
    learn(*w, 0x12, nec_signal());
    EXPECT_TRUE(has_line(w->session().keys(), "12|3"));
    stop_learning(*w, Answer::no);
    close_window(*w);
}

TEST_F(LearningSession, CodeWithNoKeySelectedIsDropped) {
    auto w = open_window();
    const std::string saved = w->session().working_table();
    std::string capture = "8C001A008C00";
    for (int i = 0; i < 20; ++i) capture += "7FFF";
    capture += "4F5050";
    capture.resize(10240, '\0');
    w->take_collected(capture);  // any box here fails the test
    EXPECT_EQ(w->session().working_table(), saved);
    EXPECT_FALSE(w->session().changed());
    close_window(*w);
}

TEST_F(LearningSession, CloseStopsAndJoinsTheCollectionThread) {
    auto w = open_window();
    w->set_collect_timeout(std::chrono::seconds(30));
    start_learning(*w);
    w->key_click(key(*w, 0x10));
    QPointer<learning::TCollectCode> thread = w->findChild<learning::TCollectCode*>();
    ASSERT_TRUE(thread);
    ASSERT_TRUE(thread->isRunning());
    w->FormClose();  // the window's close step, as the close event runs it
    EXPECT_TRUE(!thread || thread->isFinished());
    EXPECT_FALSE(w->collecting());
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
}

}  // namespace
}  // namespace orvalin::app::testing

namespace orvalin::app::testing {
namespace {

// The remote is swapped before the commit (unplugged and another plugged in, or
// another one's basic information): nothing of the first remote's table is written
// onto it; the window reads it, shows it and says why; the learned key is saved.
TEST_F(LearningSession, AnotherRemoteGetsNothingOfTheFirstOne) {
    const struct {
        const char* name;
        bool unplugged;
        QString why;
    } cases[] = {{"unplugged and plugged", true, QStringLiteral("the link was lost")},
                 {"basic information differs", false, QStringLiteral("basic information")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vorkel::sim::reset();
        auto w = open_window();
        stop_link_monitor(*w);  // the test plays the monitor
        start_learning(*w);
        learn(*w, 0x10, nec_signal());  // VOL+ on the first remote
        const std::size_t writes = vorkel::sim::code_table_writes();
        if (c.unplugged) {
            vorkel::sim::set_attached(false);
            w->link_lost();
        }
        // The other remote: one learned key (CH+) of its own.
        vorkel::sim::set_code_table(bytes_of("000112CF0A00010B00015AA5"));
        if (c.unplugged) {
            vorkel::sim::set_attached(true);
            w->link_back();
        } else {
            vorkel::sim::set_basic_info("1800", 1, 9);
        }
        const std::string other = remote_area();
        boxes.expect(QStringLiteral("你是否确认本次自学习的按键？"), Answer::yes, Buttons::yes_no);
        boxes.expect_starting(QStringLiteral("完成自学习操作失败！"), Answer::ok);
        w->beginstudyibtnClick();
        EXPECT_EQ(vorkel::sim::code_table_writes(), writes);
        EXPECT_EQ(remote_area(), other);
        // The window shows the remote attached now.
        EXPECT_TRUE(has_line(w->session().keys(), "12|2"));
        EXPECT_FALSE(has_code(w->session().keys(), "10"));
        EXPECT_FALSE(w->session().owed_to_remote());
        EXPECT_FALSE(key(*w, 0x12)->IsEnable());
        EXPECT_TRUE(key(*w, 0x10)->IsEnable());
        EXPECT_TRUE(part<QPlainTextEdit>(*w, "Memo2")
                        ->toPlainText()
                        .contains(QStringLiteral("write refused: ") + c.why));
        // The first remote's learned key is kept in the unwritten table.
        const auto saved = unwritten_tables();
        ASSERT_EQ(saved.size(), 1u);
        EXPECT_TRUE(learning::one_key_text(read_file(saved[0]), 0x10).ok());
        close_window(*w);
        fs::remove(saved[0]);
    }
}

}  // namespace
}  // namespace orvalin::app::testing
