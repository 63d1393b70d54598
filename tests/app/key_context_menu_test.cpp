// The context menu of a key on the simulated remote: a key learned from a code
// file joins the current mode's learning session and is committed with it; a
// learned key is exported to a code file that carries its signal; bad files and
// cancelled pickers leave the key as it was.
// The formats before Qt: a code file's signals are a member named as Qt's macro.
#include "signals/formats/code_file.h"
// clang-format off
#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <deque>
#include <fstream>
#include <memory>

#include "app/file_picker.h"
#include "app/ibtn.h"
#include "tests/app/learning_fixture.h"
// clang-format on

#undef signals

namespace orvalin::app::testing {
namespace {

const fs::path kFormats = fs::path(ORVALIN_TEST_DATA_DIR) / "formats";

// Answers the pickers in order; a picker asked without an answer fails the test.
class ScriptedFilePicker : public FilePicker {
  public:
    ScriptedFilePicker() { set_file_picker(this); }
    ~ScriptedFilePicker() override {
        set_file_picker(nullptr);
        EXPECT_TRUE(opens.empty() && picks.empty() && saves.empty()) << "answers left over";
    }

    // An empty path or a negative index answers as a cancelled picker.
    std::optional<QString> open_code_file(QWidget*) override {
        if (opens.empty()) {
            ADD_FAILURE() << "unexpected file picker";
            return std::nullopt;
        }
        const QString path = opens.front();
        opens.pop_front();
        if (path.isEmpty()) return std::nullopt;
        return path;
    }
    std::optional<int> pick_signal(QWidget*, const QStringList& names) override {
        shown_names = names;
        if (picks.empty()) {
            ADD_FAILURE() << "unexpected signal picker";
            return std::nullopt;
        }
        const int at = picks.front();
        picks.pop_front();
        if (at < 0) return std::nullopt;
        return at;
    }
    std::optional<SaveChoice> save_code_file(QWidget*, const QString& suggested) override {
        suggested_name = suggested;
        if (saves.empty()) {
            ADD_FAILURE() << "unexpected save picker";
            return std::nullopt;
        }
        const SaveChoice choice = saves.front();
        saves.pop_front();
        if (choice.path.isEmpty()) return std::nullopt;
        return choice;
    }

    std::deque<QString> opens;
    std::deque<int> picks;
    std::deque<SaveChoice> saves;
    QStringList shown_names;
    QString suggested_name;
};

constexpr int kVolUp = 0x10;  // "VOL+" in TV mode

QString fixture(const char* name) {
    return QString::fromStdString((kFormats / name).string());
}

class KeyContextMenu : public SessionTest {
  protected:
    ScriptedFilePicker files;
};

TEST_F(KeyContextMenu, MenuOffersLearningAlwaysAndExportOnlyForALearnedKey) {
    auto w = open_window();
    IBtn* k = key(*w, kVolUp);
    EXPECT_EQ(k->contextMenuPolicy(), Qt::CustomContextMenu);
    const std::unique_ptr<QMenu> menu(w->key_menu(k));
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("从文件学习…"));
    EXPECT_TRUE(actions[0]->isEnabled());
    EXPECT_EQ(actions[1]->text(), QStringLiteral("导出按键…"));
    EXPECT_FALSE(actions[1]->isEnabled());
    EXPECT_EQ(actions[2]->text(), QStringLiteral("查看编码…"));
    EXPECT_FALSE(actions[2]->isEnabled());
    // The mode keys keep no menu: they cannot be learned.
    EXPECT_NE(key(*w, kTvModeKeyCode)->contextMenuPolicy(), Qt::CustomContextMenu);
    close_window(*w);
}

TEST_F(KeyContextMenu, KeyLearnedFromAFileIsCommittedWithTheSessionAndExported) {
    const fs::path exported = temp_ / "vol.pronto";
    {
        auto w = open_window();
        files.opens.push_back(fixture("remote.pronto"));
        files.picks.push_back(0);  // "Power", an NEC key
        boxes.expect(QStringLiteral("已接收到遥控器编码！"), Answer::ok);
        // Through the menu as the user picks it; learning starts with it.
        const std::unique_ptr<QMenu> menu(w->key_menu(key(*w, kVolUp)));
        menu->actions()[0]->trigger();
        EXPECT_EQ(files.shown_names,
                  (QStringList{"Power", "Volume up", "Standby", "Mute", "Flash"}));
        EXPECT_TRUE(w->session().learning());
        EXPECT_TRUE(has_line(w->session().keys(), "10|3"));
        EXPECT_EQ(status_text(*w), QStringLiteral("TV区的VOL+键已接收遥控器编码！"));
        EXPECT_FALSE(key(*w, kVolUp)->IsEnable());  // shown as learned
        {
            const std::unique_ptr<QMenu> learned(w->key_menu(key(*w, kVolUp)));
            EXPECT_TRUE(learned->actions()[1]->isEnabled());
            EXPECT_TRUE(learned->actions()[2]->isEnabled());
        }
        EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);

        stop_learning(*w, Answer::yes);
        EXPECT_EQ(vorkel::sim::code_table_writes(), 1u);
        EXPECT_TRUE(has_line(w->session().keys(), "10|2"));
        EXPECT_EQ(backups().size(), 1u);

        // The learned key goes out as a Pronto file of the signal it came from.
        files.saves.push_back(
            SaveChoice{QString::fromStdString(exported.string()), formats::SignalFormat::pronto});
        boxes.expect(QStringLiteral("VOL+键已导出到") + QString::fromStdString(exported.string()),
                     Answer::ok);
        w->export_key(key(*w, kVolUp));
        EXPECT_EQ(files.suggested_name, QStringLiteral("TV_VOL+"));

        // In the delete state no key is learned, from a file or not.
        w->delete_toggle_click();
        ASSERT_TRUE(w->session().deleting());
        boxes.expect(QStringLiteral("现在在删除状态，要学习请先停止删除！"), Answer::ok);
        w->learn_key_from_file(key(*w, 0x13));
        EXPECT_FALSE(w->session().learning());
        w->delete_toggle_click();
        close_window(*w);
    }
    std::string error;
    const auto file = formats::load_signal_file(exported.string(), std::nullopt, &error);
    ASSERT_TRUE(file) << error;
    ASSERT_EQ(file->signals.size(), 1u);
    EXPECT_EQ(file->signals[0].name, "TV_VOL+");
    EXPECT_NEAR(file->signals[0].carrier_hz, 38000, 1000);
    const std::vector<int> press = formats::render_press(file->signals[0]).durations_us;
    ASSERT_GT(press.size(), 67u);
    EXPECT_NEAR(press[0], 9024, 0.02 * 9024 + 27);  // the NEC lead-in
    EXPECT_NEAR(press[1], -4512, 0.02 * 4512 + 27);

    // The next start reads the key back from the remote.
    auto again = open_window();
    EXPECT_TRUE(has_line(again->session().keys(), "10|2"));
    close_window(*again);
}

// The keys whose button says 自定义 are named by their pictures (F1), whatever
// the code came from.
TEST_F(KeyContextMenu, KeyLearnedFromAFileIsNamedAsItsPictureShowsIt) {
    constexpr int kF1 = 0x16;
    auto w = open_window();
    ASSERT_EQ(key(*w, kF1)->Path(), QStringLiteral("自定义"));
    files.opens.push_back(fixture("remote.pronto"));
    files.picks.push_back(0);
    boxes.expect(QStringLiteral("已接收到遥控器编码！"), Answer::ok);
    w->learn_key_from_file(key(*w, kF1));
    EXPECT_TRUE(has_line(w->session().keys(), "16|3"));
    EXPECT_EQ(status_text(*w), QStringLiteral("TV区的F1键已接收遥控器编码！"));
    // Learning it again asks under the same name.
    boxes.expect(QStringLiteral("F1键编码已学习过，要重新学习吗?"), Answer::no, Buttons::yes_no);
    w->learn_key_from_file(key(*w, kF1));
    stop_learning(*w, Answer::no);
    close_window(*w);
}

TEST_F(KeyContextMenu, BadFilesAndCancelledPickersLeaveTheKeyUnlearned) {
    auto w = open_window();
    const fs::path bad = temp_ / "bad.pronto";
    std::ofstream(bad) << "Power: 0000 006D 0002 0000 0157 00AC 0015\n";
    files.opens.push_back(QString::fromStdString(bad.string()));
    boxes.expect(QStringLiteral("无法读取该编码文件！\n") + QString::fromStdString(bad.string()) +
                     QStringLiteral(":1: code ends early: 7 of 8 words"),
                 Answer::ok);
    w->learn_key_from_file(key(*w, kVolUp));
    EXPECT_TRUE(w->session().learning());  // the session stays on for the next try

    files.opens.push_back(QString());  // no file picked
    w->learn_key_from_file(key(*w, kVolUp));
    files.opens.push_back(fixture("remote.pronto"));
    files.picks.push_back(-1);  // no signal picked
    w->learn_key_from_file(key(*w, kVolUp));

    EXPECT_FALSE(w->session().holds_learned_code(kVolUp));
    EXPECT_TRUE(key(*w, kVolUp)->IsEnable());
    EXPECT_FALSE(w->session().changed());
    stop_learning_without_changes(*w);
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);

    // An unlearned key has nothing to export.
    boxes.expect(QStringLiteral("VOL+键没有学习过的编码，不能导出！"), Answer::ok);
    w->export_key(key(*w, kVolUp));
    close_window(*w);
}

TEST_F(KeyContextMenu, LearningFromAFileWaitsForAKeyInLearning) {
    auto w = open_window();
    w->set_collect_timeout(std::chrono::milliseconds(300));
    // A key waiting for the remote's code blocks another learning.
    start_learning(*w);
    w->key_click(key(*w, 0x13));
    boxes.expect(QStringLiteral("VOL-按键正在学习，要停止VOL-按键,请点击停止学习按钮"), Answer::ok);
    w->learn_key_from_file(key(*w, kVolUp));
    EXPECT_TRUE(wait_collection_done(*w));
    EXPECT_FALSE(w->session().holds_learned_code(kVolUp));
    stop_learning_without_changes(*w);
    close_window(*w);
}

}  // namespace
}  // namespace orvalin::app::testing
