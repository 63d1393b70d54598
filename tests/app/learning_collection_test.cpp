// The end of collection when the code-info file does not know the signal (the
// outside converter), codes that cannot be used, and writes that fail at commit.
#include <QLabel>
#include <QPlainTextEdit>
#include <fstream>
#include <sstream>

#include "app/ibtn.h"
#include "learning/code_table.h"
#include "tests/app/learning_fixture.h"
#include "tests/support/fake_converter/fake_converter_client.h"

namespace orvalin::app::testing {
namespace {

using learning::KeyStates;

const QString kNotRecognised = QStringLiteral("未能识别该遥控器编码，请重新选择按键进行学习！");

std::string gbk_request(const std::string& code, const std::string& timing) {
    // "按钮" in GBK.
    return "#99|01" + code + "\r\n0:\xB0\xB4\xC5\xA5" + "0:{X=310,Y=120}|" + timing + "\r\n";
}

class Collection : public SessionTest {
  protected:
    fs::path converter_file() const { return temp_ / "program-with-converter" / "quendrix.dll"; }
};

TEST_F(Collection, UnknownSignalGoesToTheConverterInGbk) {
    auto w = open_window(true);
    orvalin::testing::FakeConverter fake(converter_file());
    start_learning(*w);
    learn(*w, 0x10, odd_signal());
    // Mark 1024 us (0400), space 2218 us (08AA), mark 1024 us at 38 kHz (26): one
    // frame of three durations and the assumed 20 ms end gap.
    EXPECT_EQ(fake.last_request(), gbk_request("10",
                                               "1261204000"
                                               "8AA0400FEFE0014EDED"));
    EXPECT_EQ(fake.calls(), 1);
    // Its answer is the key's code.
    EXPECT_TRUE(has_line(w->session().keys(), "10|3"));
    EXPECT_NE(w->session().working_table().find("5A5A1234"), std::string::npos);
    EXPECT_NE(w->session().working_table().find("C0FFEE"), std::string::npos);
    const QString memo = part<QPlainTextEdit>(*w, "Memo2")->toPlainText();
    EXPECT_TRUE(memo.contains(QStringLiteral("fallback request: #99|0110")));
    EXPECT_TRUE(memo.contains(QStringLiteral("fallback answer: 000110CF")));
    stop_learning(*w, Answer::yes);
    EXPECT_TRUE(has_code(remote_key_lines(), "10"));
    close_window(*w);
}

TEST_F(Collection, UnusableAnswerLeavesTheKeyUnlearned) {
    const struct {
        const char* name;
        bool with_converter;
        const char* answer;  // nullptr: the converter returns no text
        bool fixed;
    } cases[] = {
        {"no converter", false, nullptr, false},
        {"no answer", true, nullptr, true},
        {"empty answer", true, "", true},
        {"a table that deletes the key", true, "000110CF000000000000", true},
        {"a code for another key", true, "000111CF0000040000035A5A1234C0FFEE", true},
        {"not a table", true, "ERROR", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vorkel::sim::activate();
        auto w = open_window(c.with_converter);
        std::unique_ptr<orvalin::testing::FakeConverter> fake;
        if (c.with_converter) {
            fake = std::make_unique<orvalin::testing::FakeConverter>(converter_file());
            if (c.fixed) fake->set_answer(c.answer);
        }
        const std::string saved = w->session().working_table();
        const KeyStates lines = w->session().keys();
        start_learning(*w);
        vorkel::sim::queue_signal(odd_signal());
        boxes.expect(kNotRecognised, Answer::ok);
        w->key_click(key(*w, 0x10));
        ASSERT_TRUE(wait_collection_done(*w));
        EXPECT_EQ(w->session().working_table(), saved);
        EXPECT_EQ(w->session().keys(), lines);
        EXPECT_FALSE(w->session().changed());
        EXPECT_TRUE(key(*w, 0x10)->IsEnable());
        EXPECT_EQ(status_text(*w), kNotRecognised);
        stop_learning_without_changes(*w);
        EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
        close_window(*w);
    }
}

// A factory table grown with learned DVD keys until a learned code no longer fits
// the 4100 bytes that the write carries.
std::string nearly_full_table() {
    std::string table = remote_table_hex(11264);
    std::size_t room = 4100;  // bytes left for records and pieces
    for (int code = 0x66; code < 0x99; ++code) {
        const learning::KeyLinesResult size_check = learning::parse_key_lines(table);
        EXPECT_TRUE(size_check.ok());
        if (table.size() <= 8200) room = (8200 - table.size()) / 2;
        if (room < 9) break;
        const std::size_t piece = std::min<std::size_t>(127, room - 8);
        const std::string one = "0001" + learning::table_code(code, 0) + "CF0000040000" +
                                learning::table_code(static_cast<int>(piece), 0) + "5A5A1234" +
                                std::string(2 * piece, 'A');
        const learning::TableResult r = learning::rebuild_code_text(table, one);
        EXPECT_TRUE(r.ok()) << learning::describe(r.error);
        if (!r.ok()) break;
        table = r.text;
    }
    EXPECT_LE(table.size(), 8200u);
    EXPECT_GT(table.size(), 8200u - 18);  // no room left for a record and its pieces
    return table;
}

TEST_F(Collection, TableTooLargeForTheWriteIsRefused) {
    vorkel::sim::set_code_table(bytes_of(nearly_full_table()));
    auto w = open_window();
    const std::string saved = w->session().working_table();
    start_learning(*w);
    vorkel::sim::queue_signal(nec_signal());
    const QString why = QString::fromStdString(learning::describe(learning::TableError::too_large));
    boxes.expect(why, Answer::ok);
    w->key_click(key(*w, 0x10));
    ASSERT_TRUE(wait_collection_done(*w));
    EXPECT_EQ(w->session().working_table(), saved);
    EXPECT_FALSE(w->session().changed());
    EXPECT_FALSE(has_code(w->session().keys(), "10"));
    stop_learning_without_changes(*w);
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
    close_window(*w);
}

TEST_F(Collection, FailedCommitKeepsTheSessionForTheNextAttempt) {
    const struct {
        const char* name;
        std::function<void()> fault;
    } cases[] = {
        // After two of the write's blocks (a header and four data reports each).
        {"report refused", [] { vorkel::sim::refuse_report_at(10); }},
        {"unplugged in the middle", [] { vorkel::sim::unplug_after_reports(10); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vorkel::sim::activate();
        for (const auto& f : backups()) fs::remove(f);
        const std::string before = remote_table_hex(11264);
        auto w = open_window();
        stop_link_monitor(*w);
        start_learning(*w);
        learn(*w, 0x10, nec_signal());
        c.fault();
        boxes.expect(QStringLiteral("你是否确认本次自学习的按键？"), Answer::yes, Buttons::yes_no)
            .expect_starting(QStringLiteral("完成自学习操作失败！"), Answer::ok);
        w->beginstudyibtnClick();
        vorkel::sim::clear_faults();
        vorkel::sim::set_attached(true);
        EXPECT_EQ(vorkel::sim::code_table_writes(), 1u);  // begun, not finished
        EXPECT_EQ(status_text(*w), QStringLiteral("自学习操作失败！"));
        EXPECT_TRUE(w->session().changed());
        // The remote may hold part of the write; the backup holds the whole old table.
        ASSERT_EQ(backups().size(), 1u);
        EXPECT_EQ(read_file(backups()[0]), before + "\n");

        // The next stop of learning asks again and writes the learned key.
        start_learning(*w);
        stop_learning(*w, Answer::yes);
        EXPECT_EQ(vorkel::sim::code_table_writes(), 2u);
        EXPECT_TRUE(has_code(remote_key_lines(), "10"));
        EXPECT_FALSE(w->session().changed());
        close_window(*w);
    }
}

// The remote is pulled while learning and the window closes (as after the link
// monitor's question): the keys are written after a retry, or saved where the box says.
TEST_F(Collection, ClosingWithAFailedCommitRetriesOrSavesTheKeys) {
    for (const bool retry : {true, false}) {
        SCOPED_TRACE(retry ? "retried after plugging in" : "given up");
        vorkel::sim::activate();
        for (const auto& f : unwritten_tables()) fs::remove(f);
        auto w = open_window();
        stop_link_monitor(*w);
        start_learning(*w);
        learn(*w, 0x10, nec_signal());
        vorkel::sim::set_attached(false);
        boxes.expect(QStringLiteral("你是否确认本次自学习的按键？"), Answer::yes, Buttons::yes_no)
            .expect_starting(QStringLiteral("完成自学习操作失败，学习的按键未能写入遥控器！\r\n"
                                            "未写入的编码表已保存在："),
                             retry ? Answer::retry : Answer::cancel, Buttons::retry_cancel,
                             [retry] {
                                 if (retry) vorkel::sim::set_attached(true);
                             });
        if (retry) boxes.expect(QStringLiteral("自学习操作完成！"), Answer::ok);
        close_window(*w);
        EXPECT_FALSE(w->isVisible());
        vorkel::sim::set_attached(true);
        EXPECT_EQ(has_code(remote_key_lines(), "10"), retry);
        // The failed attempt saved the table with the learned key, and the box named it.
        ASSERT_EQ(unwritten_tables().size(), 1u);
        const fs::path saved = unwritten_tables()[0];
        bool named = false;
        for (const QString& text : boxes.shown())
            named = named || text.contains(QString::fromStdString(saved.string()));
        EXPECT_TRUE(named);
        std::string text = read_file(saved);
        ASSERT_TRUE(text.ends_with("\n"));
        text.pop_back();
        EXPECT_TRUE(
            has_code(learning::read_key_lines(learning::parse_key_lines(text).lines), "10"));
        ASSERT_FALSE(backups().empty());
    }
}

TEST_F(Collection, DecliningLaterKeepsKeysWhoseWriteFailed) {
    auto w = open_window();
    start_learning(*w);
    learn(*w, 0x10, nec_signal());
    vorkel::sim::refuse_report_at(0);  // the first block's header: nothing written
    boxes.expect(QStringLiteral("你是否确认本次自学习的按键？"), Answer::yes, Buttons::yes_no)
        .expect_starting(QStringLiteral("完成自学习操作失败！"), Answer::ok);
    w->beginstudyibtnClick();
    ASSERT_TRUE(w->session().changed());

    // A later session is declined: its own key goes, the unwritten one stays owed.
    start_learning(*w);
    learn(*w, 0x12, nec_signal());
    stop_learning(*w, Answer::no);
    EXPECT_TRUE(w->session().changed());
    EXPECT_TRUE(has_line(w->session().keys(), "10|2"));
    EXPECT_FALSE(has_code(w->session().keys(), "12"));

    start_learning(*w);
    stop_learning(*w, Answer::yes);
    EXPECT_FALSE(w->session().changed());
    EXPECT_TRUE(has_code(remote_key_lines(), "10"));
    EXPECT_FALSE(has_code(remote_key_lines(), "12"));
    close_window(*w);
}

TEST_F(Collection, BackupThatCannotBeSavedAsksBeforeWriting) {
    std::ofstream(temp_ / "not-a-folder") << "x";
    ::setenv("ORVALIN_BACKUP_DIR", (temp_ / "not-a-folder").c_str(), 1);
    auto w = open_window();
    start_learning(*w);
    learn(*w, 0x10, nec_signal());
    const QString question = QStringLiteral("无法保存遥控器编码表的备份！\r\n仍然要写入遥控器吗？");
    boxes.expect(QStringLiteral("你是否确认本次自学习的按键？"), Answer::yes, Buttons::yes_no)
        .expect(question, Answer::no, Buttons::yes_no)
        .expect_starting(QStringLiteral("完成自学习操作失败！"), Answer::ok);
    w->beginstudyibtnClick();
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
    EXPECT_TRUE(part<QPlainTextEdit>(*w, "Memo2")
                    ->toPlainText()
                    .contains(QStringLiteral("backup failed: ")));

    start_learning(*w);
    boxes.expect(QStringLiteral("你是否确认本次自学习的按键？"), Answer::yes, Buttons::yes_no)
        .expect(question, Answer::yes, Buttons::yes_no)
        .expect(QStringLiteral("自学习操作完成！"), Answer::ok);
    w->beginstudyibtnClick();
    EXPECT_EQ(vorkel::sim::code_table_writes(), 1u);
    close_window(*w);
}

}  // namespace
}  // namespace orvalin::app::testing
