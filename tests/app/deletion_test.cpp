// Deleting learned keys in the real main window against the simulated remote: the
// delete-one-key state, clear-all per device mode, refusals, failed writes, and
// deletions pending when the window closes.
#include <QLabel>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/ibtn.h"
#include "learning/code_table.h"
#include "tests/app/learning_fixture.h"

namespace orvalin::app::testing {
namespace {

using learning::KeyStates;

const QString kDeleteQuestion = QStringLiteral("你确实要删除该自学习按键的编码？");
const QString kDeleteDone = QStringLiteral("删除操作完成！");
const QString kDeleteFailed =
    QStringLiteral("删除操作失败，已删除的按键编码还没有写入遥控器！请再点击停止删除按钮重试。");
const QString kNotLearned = QStringLiteral("该按键还没有自学习过，无法删除！");

// Puts learned codes for these table codes into the remote's factory table.
void seed_learned(std::initializer_list<const char*> codes) {
    std::string table = remote_table_hex(11264);
    for (const char* code : codes) {
        const learning::TableResult r = learning::rebuild_code_text(
            table, std::string("0001") + code + "CF000004000003" + "5A5A1234" + "C0FFEE");
        ASSERT_TRUE(r.ok());
        table = r.text;
    }
    vorkel::sim::set_code_table(bytes_of(table));
}

class Deletion : public SessionTest {
  protected:
    void delete_one(Tmainorvalin& w, int key_code) {
        boxes.expect(kDeleteQuestion, Answer::yes, Buttons::yes_no);
        w.key_click(key(w, key_code));
    }
};

// A deletion write that also carries keys owed from a failed commit says so.
TEST_F(Deletion, DoneMessageNamesKeysOwedFromAFailedCommit) {
    seed_learned({"12", "15"});
    auto w = open_window();
    stop_link_monitor(*w);
    start_learning(*w);
    learn(*w, 0x10, nec_signal());
    vorkel::sim::refuse_report_at(0);  // the first header: nothing written
    boxes.expect(QStringLiteral("你是否确认本次自学习的按键？"), Answer::yes, Buttons::yes_no)
        .expect_starting(QStringLiteral("完成自学习操作失败！"), Answer::ok);
    w->beginstudyibtnClick();
    ASSERT_TRUE(w->session().carries_owed_keys());
    vorkel::sim::clear_faults();

    w->delete_toggle_click();
    delete_one(*w, 0x12);
    boxes.expect(QStringLiteral("删除操作完成！之前未能写入遥控器的学习按键也已一并写入。"),
                 Answer::ok);
    w->delete_toggle_click();
    EXPECT_FALSE(w->session().carries_owed_keys());
    const KeyStates remote = remote_key_lines();
    EXPECT_TRUE(has_code(remote, "10"));
    EXPECT_FALSE(has_code(remote, "12"));
    EXPECT_TRUE(has_code(remote, "15"));

    // The next deletion carries nothing else: the plain message.
    w->delete_toggle_click();
    delete_one(*w, 0x15);
    boxes.expect(kDeleteDone, Answer::ok);
    w->delete_toggle_click();
    close_window(*w);
}

TEST_F(Deletion, SwitchingTheStateOnAndOffWritesNothing) {
    seed_learned({"10"});
    auto w = open_window();
    w->delete_toggle_click();
    EXPECT_TRUE(w->session().deleting());
    EXPECT_TRUE(part<QLabel>(*w, "Image7")->isVisible());
    EXPECT_EQ(status_text(*w), QStringLiteral("请在左面遥控器上选择待删除的按键！"));
    w->delete_toggle_click();
    EXPECT_FALSE(w->session().deleting());
    EXPECT_TRUE(part<QLabel>(*w, "Image4")->isVisible());
    EXPECT_FALSE(part<QLabel>(*w, "Image7")->isVisible());
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
    EXPECT_TRUE(backups().empty());
    close_window(*w);
}

TEST_F(Deletion, TwoDeletionsAreWrittenOnceWhenTheStateIsSwitchedOff) {
    seed_learned({"10", "12", "15"});
    const std::string before = remote_table_hex(11264);
    auto w = open_window();
    w->delete_toggle_click();
    delete_one(*w, 0x10);
    EXPECT_EQ(status_text(*w), QStringLiteral("要删除的按键已选定！"));
    EXPECT_TRUE(key(*w, 0x10)->IsEnable());
    delete_one(*w, 0x12);
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
    EXPECT_TRUE(w->session().changed());

    boxes.expect(kDeleteDone, Answer::ok);
    w->delete_toggle_click();
    EXPECT_EQ(vorkel::sim::code_table_writes(), 1u);
    EXPECT_FALSE(w->session().changed());
    EXPECT_EQ(w->session().working_table(), w->session().table());
    const KeyStates remote = remote_key_lines();
    EXPECT_FALSE(has_code(remote, "10"));
    EXPECT_FALSE(has_code(remote, "12"));
    EXPECT_TRUE(has_code(remote, "15"));
    ASSERT_EQ(backups().size(), 1u);
    EXPECT_EQ(read_file(backups()[0]), before + "\n");
    close_window(*w);
}

TEST_F(Deletion, DeletingTheLastLearnedKeyWritesAtOnceAndGreysBothButtons) {
    seed_learned({"10"});
    auto w = open_window();
    w->delete_toggle_click();
    // The write comes with this click.
    boxes.expect(kDeleteQuestion, Answer::yes, Buttons::yes_no).expect(kDeleteDone, Answer::ok);
    w->key_click(key(*w, 0x10));
    EXPECT_EQ(vorkel::sim::code_table_writes(), 1u);
    EXPECT_FALSE(w->session().deleting());
    EXPECT_FALSE(part<IBtn>(*w, "delstudykey")->isEnabled());
    EXPECT_FALSE(part<IBtn>(*w, "delallstudykey")->isEnabled());
    EXPECT_TRUE(part<QLabel>(*w, "Image8")->isVisible());
    EXPECT_FALSE(part<QLabel>(*w, "Image7")->isVisible());
    EXPECT_FALSE(has_code(remote_key_lines(), "10"));
    close_window(*w);
}

TEST_F(Deletion, CblKey04DeletesTableCode37) {
    seed_learned({"04", "37"});
    auto w = open_window();
    w->CBL_IBTNClick();
    w->delete_toggle_click();
    delete_one(*w, 0x04);
    EXPECT_TRUE(has_code(w->session().keys(), "04"));
    EXPECT_FALSE(has_code(w->session().keys(), "37"));
    boxes.expect(kDeleteDone, Answer::ok);
    w->delete_toggle_click();
    const KeyStates remote = remote_key_lines();
    EXPECT_TRUE(has_code(remote, "04"));
    EXPECT_FALSE(has_code(remote, "37"));
    close_window(*w);
}

TEST_F(Deletion, ClearAllInDvdTouchesOnlyDvdCodes) {
    seed_learned({"10", "37", "66", "70", "98"});
    auto w = open_window();
    w->DVD_IBTNClick();
    boxes
        .expect(QStringLiteral("你确实要清空DVD设备里所有自学习过的按键的编码吗？"), Answer::yes,
                Buttons::yes_no)
        .expect(QStringLiteral("清空操作完成！"), Answer::ok);
    w->delallstudykeyClick();
    EXPECT_EQ(vorkel::sim::code_table_writes(), 1u);
    for (const KeyStates& lines : {w->session().keys(), remote_key_lines()}) {
        EXPECT_TRUE(has_code(lines, "10"));
        EXPECT_TRUE(has_code(lines, "37"));
        for (const char* gone : {"66", "70", "98"}) EXPECT_FALSE(has_code(lines, gone)) << gone;
    }
    EXPECT_TRUE(key(*w, 0x0A)->IsEnable());  // 0x70 - 0x66
    EXPECT_TRUE(part<IBtn>(*w, "delstudykey")->isEnabled());
    EXPECT_TRUE(part<IBtn>(*w, "delallstudykey")->isEnabled());
    EXPECT_EQ(status_text(*w), QStringLiteral("清空操作完成！"));

    // Nothing left in DVD now.
    boxes.expect(QStringLiteral("没有可清空的按键的编码！"), Answer::ok);
    w->delallstudykeyClick();
    EXPECT_EQ(vorkel::sim::code_table_writes(), 1u);
    close_window(*w);
}

TEST_F(Deletion, PresetKeysAreNeitherDeletedNorCleared) {
    seed_learned({"10"});
    auto w = open_window();
    w->CBL_IBTNClick();
    int preset = -1;
    for (const learning::KeyEntry& e : w->session().keys())
        if (e.state == learning::KeyState::preset) {
            const int k = e.code - kCodesPerMode;
            if (k >= 4 && k < kKeysPerMode) preset = k;
        }
    ASSERT_GE(preset, 0);
    const KeyStates lines = w->session().keys();
    boxes.expect(QStringLiteral("没有可清空的按键的编码！"), Answer::ok);
    w->delallstudykeyClick();
    w->delete_toggle_click();
    boxes.expect(kNotLearned, Answer::ok);
    w->key_click(key(*w, preset));
    boxes.expect(kNotLearned, Answer::ok);
    w->key_click(key(*w, 0x12));  // no line at all in CBL
    w->delete_toggle_click();
    EXPECT_EQ(w->session().keys(), lines);
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
    close_window(*w);
}

TEST_F(Deletion, RefusalsWhileLearningOrDeleting) {
    seed_learned({"10"});
    auto w = open_window();
    start_learning(*w);
    boxes.expect(QStringLiteral("现在正在学习状态，要删除请先停止学习！"), Answer::ok)
        .expect(QStringLiteral("现在是自学习遥控器按键编码状态，要清空请先点击\"停止学习\"按钮！"),
                Answer::ok);
    w->delete_toggle_click();
    w->delallstudykeyClick();
    EXPECT_FALSE(w->session().deleting());
    stop_learning_without_changes(*w);
    w->delete_toggle_click();
    boxes.expect(
        QStringLiteral("现在是删除单个遥控器按键编码状态，要清空请先点击\"停止删除\"按钮！"),
        Answer::ok);
    w->delallstudykeyClick();
    w->delete_toggle_click();
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
    close_window(*w);
}

struct Fault {
    const char* name;
    std::function<void()> inject;
};

const Fault kFaults[] = {
    // After two of the write's blocks (a header and four data reports each).
    {"report refused", [] { vorkel::sim::refuse_report_at(10); }},
    {"unplugged in the middle", [] { vorkel::sim::unplug_after_reports(10); }},
};

TEST_F(Deletion, FailedWriteAfterSingleDeletionsKeepsThemPending) {
    for (const Fault& f : kFaults) {
        SCOPED_TRACE(f.name);
        vorkel::sim::activate();
        seed_learned({"10", "12", "15"});
        auto w = open_window();
        stop_link_monitor(*w);
        w->delete_toggle_click();
        delete_one(*w, 0x10);
        const std::string pending = w->session().table();
        f.inject();
        boxes.expect_starting(kDeleteFailed, Answer::ok);
        w->delete_toggle_click();
        vorkel::sim::clear_faults();
        vorkel::sim::set_attached(true);
        EXPECT_TRUE(w->session().deleting());
        EXPECT_TRUE(w->session().changed());
        EXPECT_EQ(w->session().table(), pending);
        EXPECT_TRUE(part<QLabel>(*w, "Image7")->isVisible());
        EXPECT_EQ(vorkel::sim::code_table_writes(), 1u);  // begun, not finished

        // Switching off again writes them.
        boxes.expect(kDeleteDone, Answer::ok);
        w->delete_toggle_click();
        EXPECT_FALSE(w->session().deleting());
        EXPECT_EQ(vorkel::sim::code_table_writes(), 2u);
        EXPECT_FALSE(has_code(remote_key_lines(), "10"));
        EXPECT_TRUE(has_code(remote_key_lines(), "12"));
        close_window(*w);
    }
}

TEST_F(Deletion, FailedWriteOfTheLastKeyKeepsTheDeleteState) {
    for (const Fault& f : kFaults) {
        SCOPED_TRACE(f.name);
        vorkel::sim::activate();
        seed_learned({"10"});
        auto w = open_window();
        stop_link_monitor(*w);
        w->delete_toggle_click();
        f.inject();
        boxes.expect(kDeleteQuestion, Answer::yes, Buttons::yes_no)
            .expect_starting(kDeleteFailed, Answer::ok);
        w->key_click(key(*w, 0x10));
        vorkel::sim::clear_faults();
        vorkel::sim::set_attached(true);
        EXPECT_TRUE(w->session().deleting());
        EXPECT_TRUE(w->session().changed());
        EXPECT_TRUE(part<IBtn>(*w, "delstudykey")->isEnabled());
        EXPECT_EQ(vorkel::sim::code_table_writes(), 1u);  // begun, not finished

        boxes.expect(kDeleteDone, Answer::ok);
        w->delete_toggle_click();
        EXPECT_EQ(vorkel::sim::code_table_writes(), 2u);
        EXPECT_FALSE(has_code(remote_key_lines(), "10"));
        close_window(*w);
    }
}

TEST_F(Deletion, FailedClearAllShowsTheKeysStillThere) {
    for (const Fault& f : kFaults) {
        SCOPED_TRACE(f.name);
        vorkel::sim::activate();
        for (const auto& b : backups()) fs::remove(b);
        seed_learned({"10", "12"});
        const std::string before = remote_table_hex(11264);
        auto w = open_window();
        stop_link_monitor(*w);
        const KeyStates lines = w->session().keys();
        const std::string table = w->session().table();
        f.inject();
        boxes
            .expect(QStringLiteral("你确实要清空TV设备里所有自学习过的按键的编码吗？"), Answer::yes,
                    Buttons::yes_no)
            .expect(QStringLiteral("清空操作失败！"), Answer::ok);
        w->delallstudykeyClick();
        vorkel::sim::clear_faults();
        vorkel::sim::set_attached(true);
        EXPECT_EQ(w->session().keys(), lines);
        EXPECT_EQ(w->session().table(), table);
        EXPECT_FALSE(key(*w, 0x10)->IsEnable());
        EXPECT_FALSE(key(*w, 0x12)->IsEnable());
        EXPECT_EQ(status_text(*w), QStringLiteral("清空操作失败！"));
        ASSERT_EQ(backups().size(), 1u);
        EXPECT_EQ(read_file(backups()[0]), before + "\n");

        boxes
            .expect(QStringLiteral("你确实要清空TV设备里所有自学习过的按键的编码吗？"), Answer::yes,
                    Buttons::yes_no)
            .expect(QStringLiteral("清空操作完成！"), Answer::ok);
        w->delallstudykeyClick();
        EXPECT_FALSE(has_code(remote_key_lines(), "10"));
        EXPECT_FALSE(has_code(remote_key_lines(), "12"));
        close_window(*w);
    }
}

TEST_F(Deletion, ClosingWithPendingDeletionsWritesThemOrAsks) {
    const struct {
        const char* name;
        bool fail;
        Answer retry_answer;
        bool written;
    } cases[] = {
        {"written at close", false, Answer::ok, true},
        {"failed, retried", true, Answer::retry, true},
        {"failed, given up", true, Answer::cancel, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vorkel::sim::activate();
        for (const auto& b : backups()) fs::remove(b);
        seed_learned({"10", "12"});
        const std::string before = remote_table_hex(11264);
        auto w = open_window();
        w->delete_toggle_click();
        delete_one(*w, 0x10);
        if (c.fail) {
            vorkel::sim::refuse_report_at(10);
            boxes.expect_starting(
                QStringLiteral("删除操作失败，已删除的按键编码未能写入遥控器！\r\n"
                               "未写入的编码表已保存在："),
                c.retry_answer, Buttons::retry_cancel);
        }
        if (c.written) boxes.expect(kDeleteDone, Answer::ok);
        close_window(*w);  // no learning question: these are not learned keys
        EXPECT_FALSE(w->isVisible());
        if (c.written) {
            EXPECT_FALSE(has_code(remote_key_lines(), "10"));
            EXPECT_TRUE(has_code(remote_key_lines(), "12"));
        }
        // Whatever the remote kept of a broken write, the table before it is saved.
        // (A retry backs up what the remote held then: the table before is one of them.)
        const auto saved_backups = backups();
        EXPECT_TRUE(std::any_of(saved_backups.begin(), saved_backups.end(),
                                [&](const fs::path& b) { return read_file(b) == before + "\n"; }));
        if (c.fail) {
            // Every failed write leaves the table it tried to write beside the backups.
            ASSERT_FALSE(unwritten_tables().empty());
            std::string saved = read_file(unwritten_tables().back());
            ASSERT_TRUE(saved.ends_with("\n"));
            saved.pop_back();
            const auto keys = learning::read_key_lines(learning::parse_key_lines(saved).lines);
            EXPECT_FALSE(has_code(keys, "10"));
            EXPECT_TRUE(has_code(keys, "12"));
        }
        for (const auto& f : unwritten_tables()) fs::remove(f);
    }
}

}  // namespace
}  // namespace orvalin::app::testing
