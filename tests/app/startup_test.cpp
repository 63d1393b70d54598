// Start-up of the main window against the simulated remote: the attachment box,
// the remote type and version checks, failed reads and what a failed start leaves.
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <fstream>
#include <string>

#include "app/device_check.h"
#include "app/splash.h"
#include "common/key_table.h"
#include "common/version.h"
#include "device/vorkel.h"
#include "learning/code_table.h"
#include "learning/key_states.h"
#include "tests/app/window_fixture.h"

namespace orvalin::app::testing {
namespace {

const QString kFirmware8888 =
    QStringLiteral("遥控器固件程序版本比较低，请到test.host.example网站下载最新的固件程序版本！");
const QString kUnsupported =
    QStringLiteral("自学习软件不支持该遥控器，请到test.host.example网站下载支持该款的自学习软件！");
const QString kSoftwareOld =
    QStringLiteral("自学习软件版本比较低，请到test.host.example下载最新的该款自学习软件！");
const QString kFirmwareOld =
    QStringLiteral("遥控器固件程序版本比较低，请到test.host.example下载最新的固件程序版本！");
const QString kFirmwareOld2 =
    QStringLiteral("遥控器固件版本比较低，请到test.host.example下载最新的固件程序版本！");

struct RemoteCase {
    const char* name;
    const char* type;
    uint8_t version1, version2;
    QString refusal;  // empty: accepted
};

class RemoteCheck : public WindowTest, public ::testing::WithParamInterface<RemoteCase> {};

TEST_P(RemoteCheck, RefusesWithTheExactMessageOrStarts) {
    const RemoteCase& c = GetParam();
    vorkel::sim::set_basic_info(c.type, c.version1, c.version2);
    if (!c.refusal.isEmpty()) prompts.expect(c.refusal, Answer::ok, Buttons::ok, kAppTitle);

    Tmainorvalin& w = start(false);
    EXPECT_EQ(w.start_failed(), !c.refusal.isEmpty());
    EXPECT_EQ(part<QLabel>(w, "lab_gjbb")->text(),
              c.refusal.isEmpty() ? QStringLiteral(" 2.0") : QString());

    w.show();
    if (c.refusal.isEmpty()) {
        EXPECT_TRUE(w.isVisible());
        EXPECT_FALSE(w.session().keys().empty()) << "the factory table holds preset CBL keys";
        EXPECT_EQ(w.session().table().size(), 12288u);
        EXPECT_EQ(w.session().working_table(), w.session().table());
    } else {
        EXPECT_TRUE(wait_until([&] { return !w.isVisible(); })) << "a refused start closes";
        EXPECT_TRUE(w.session().keys().empty());
    }
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Remotes, RemoteCheck,
    ::testing::Values(RemoteCase{"Supported", "1800", 0x01, 0x02, {}},
                      // "8888" comes before the type check.
                      RemoteCase{"OldFirmwareMark", "8888", 0x01, 0x02, kFirmware8888},
                      RemoteCase{"OtherType", "1900", 0x01, 0x02, kUnsupported},
                      RemoteCase{"FirstTooNew", "1800", 0x02, 0x02, kSoftwareOld},
                      RemoteCase{"FirstTooOld", "1800", 0x00, 0x02, kFirmwareOld},
                      RemoteCase{"SecondTooNew", "1800", 0x01, 0x03, kSoftwareOld},
                      RemoteCase{"SecondTooOld", "1800", 0x01, 0x01, kFirmwareOld2},
                      // Hex: 0A is ten.
                      RemoteCase{"FirstIsHexTen", "1800", 0x0A, 0x02, kSoftwareOld},
                      RemoteCase{"SecondIsHexTen", "1800", 0x01, 0x0A, kSoftwareOld}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceCheck, FieldsThatCannotBeReadAreRefusedNotGuessed) {
    std::string info(128, '0');
    info.replace(70, 4, "1800");
    info.replace(64, 4, "0102");
    EXPECT_TRUE(check_basic_info(info, "h").accepted);
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"short text", info.substr(0, 72)},
        {"version not hex", std::string(info).replace(64, 2, "0G")},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        const DeviceCheck check = check_basic_info(c.text, "h");
        EXPECT_FALSE(check.accepted) << c.name;
        EXPECT_FALSE(check.message.empty()) << c.name;
    }
}

TEST_F(WindowTest, StartShowsTheTvModeActive) {
    Tmainorvalin& w = start();
    EXPECT_FALSE(w.start_failed());
    EXPECT_EQ(status_text(w), QStringLiteral("您现在是在 电视/TV 里进行自学习！"));
    EXPECT_EQ(w.cur_mode(), 0);
    EXPECT_FALSE(part<IBtn>(w, "TV_IBTN")->IsEnable());
    EXPECT_TRUE(
        same_picture(part<IBtn>(w, "TV_IBTN")->picture(), part<IBtn>(w, "TV_IBTN")->DisablePic()));
    EXPECT_FALSE(w.key_button(kTvModeKeyCode)->IsEnable());
    EXPECT_TRUE(part<IBtn>(w, "CBL_IBTN")->IsEnable());
    EXPECT_TRUE(part<IBtn>(w, "DVD_IBTN")->IsEnable());
    EXPECT_EQ(part<QLabel>(w, "lab_ykqtype")->text(), QStringLiteral("QXT-508KP2"));
    EXPECT_EQ(part<QLabel>(w, "lab_softver")->text(),
              QStringLiteral("V %1.%2").arg(kVersionMajor).arg(kVersionMinor));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("自学习"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("QXT-508KP2"));
    EXPECT_EQ(w.size(), QSize(1016, 740));
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w.geometry().center(),
              QGuiApplication::primaryScreen()->availableGeometry().center());
    EXPECT_TRUE(w.link_monitor());
    // Factory table: preset keys only, so nothing to delete yet.
    EXPECT_FALSE(w.session().has_learned_keys());
    EXPECT_FALSE(part<IBtn>(w, "delstudykey")->isEnabled());
    EXPECT_FALSE(part<IBtn>(w, "delallstudykey")->isEnabled());
    EXPECT_TRUE(same_picture(part<IBtn>(w, "delstudykey")->picture(), w.tool_pictures().deletehui));
    EXPECT_TRUE(
        same_picture(part<IBtn>(w, "delallstudykey")->picture(), w.tool_pictures().clearhui));
    EXPECT_TRUE(part<QLabel>(w, "Image8")->isVisible());
    EXPECT_FALSE(part<QLabel>(w, "Image4")->isVisible());
    EXPECT_TRUE(same_picture(part<QLabel>(w, "Imagehint")->pixmap(), w.tool_pictures().gifkesdra));
    EXPECT_TRUE(QFile::exists(w.animation_file()));
}

TEST_F(WindowTest, LearnedKeyEnablesTheDeleteButtons) {
    vorkel::sim::set_code_table(table_with_learned_key(0x07));
    Tmainorvalin& w = start();
    ASSERT_EQ(w.session().keys(), (learning::KeyStates{{0x07, learning::KeyState::stored}}));
    EXPECT_TRUE(part<IBtn>(w, "delstudykey")->isEnabled());
    EXPECT_TRUE(part<IBtn>(w, "delallstudykey")->isEnabled());
    EXPECT_TRUE(
        same_picture(part<IBtn>(w, "delstudykey")->picture(), w.tool_pictures().delete_pic));
    EXPECT_TRUE(
        same_picture(part<IBtn>(w, "delallstudykey")->picture(), w.tool_pictures().clear_pic));
    EXPECT_TRUE(part<QLabel>(w, "Image4")->isVisible());
    EXPECT_FALSE(part<QLabel>(w, "Image8")->isVisible());
}

// Answers the attachment box and plugs the remote in while the box is open.
class PlugInWhileAsking : public ScriptedPrompter {
  public:
    Answer ask(QWidget* parent, const QString& title, const QString& text,
               Buttons buttons) override {
        const Answer a = ScriptedPrompter::ask(parent, title, text, buttons);
        if (++asked == plug_at) vorkel::sim::set_attached(true);
        return a;
    }
    int asked = 0;
    int plug_at = -1;
};

TEST_F(WindowTest, AttachmentBoxRetriesUntilCancelAndWritesNothing) {
    vorkel::sim::set_attached(false);
    vorkel::sim::clear_records();
    const QString text = QStringLiteral("未检测到遥控器，请检查USB连接线");
    prompts.expect(text, Answer::retry, Buttons::retry_cancel, kBoxTitle)
        .expect(text, Answer::retry, Buttons::retry_cancel, kBoxTitle)
        .expect(text, Answer::cancel, Buttons::retry_cancel, kBoxTitle);
    Tmainorvalin& w = start(false);
    EXPECT_TRUE(w.start_failed());
    w.show();
    EXPECT_TRUE(wait_until([&] { return !w.isVisible(); }));
    EXPECT_FALSE(w.link_monitor()) << "no monitor after a failed start";
    EXPECT_TRUE(vorkel::sim::reports().empty()) << "nothing was sent to the remote";
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
}

TEST_F(WindowTest, RetryAfterPluggingInGoesOn) {
    vorkel::sim::set_attached(false);
    PlugInWhileAsking plug;  // takes over from the fixture's prompter for this test
    plug.plug_at = 2;
    const QString text = QStringLiteral("未检测到遥控器，请检查USB连接线");
    plug.expect(text, Answer::retry, Buttons::retry_cancel)
        .expect(text, Answer::retry, Buttons::retry_cancel);
    Tmainorvalin& w = start(false);
    EXPECT_FALSE(w.start_failed());
    EXPECT_FALSE(w.session().keys().empty());
    window.reset();  // before `plug` goes
}

struct ReadFault {
    const char* name;
    bool in_table;  // false: the basic information read fails
};

class FailedRead : public WindowTest, public ::testing::WithParamInterface<ReadFault> {};

TEST_P(FailedRead, SaysSoAndFormCloseTouchesNothing) {
    // Where the table read starts: after the string reads of one basic information read.
    vorkel::sim::clear_records();
    char info[1024] = {};
    ASSERT_TRUE(RBasicInfo(info));
    const std::size_t info_reads = vorkel::sim::descriptor_reads().size();
    ASSERT_GT(info_reads, 0u);
    vorkel::sim::reset();
    vorkel::sim::fail_string_read_at(GetParam().in_table ? info_reads + 3 : 1);

    // Found but unreadable: said so, with the diagnosis's advice.
    prompts.expect(QString::fromStdString(unreadable_remote_message()), Answer::ok, Buttons::ok,
                   kAppTitle);
    Tmainorvalin& w = start(false);
    EXPECT_TRUE(w.start_failed());
    EXPECT_TRUE(w.session().table().empty());
    EXPECT_TRUE(w.session().keys().empty());

    // The animation file (another run's, as far as this window knows) stays.
    const QString movie = w.animation_file();
    {
        QFile f(movie);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("GIF89a");
    }
    w.show();
    EXPECT_TRUE(wait_until([&] { return !w.isVisible(); }));
    EXPECT_TRUE(QFile::exists(movie));
    QFile::remove(movie);
    EXPECT_FALSE(w.link_monitor());
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Reads, FailedRead,
                         ::testing::Values(ReadFault{"BasicInformation", false},
                                           ReadFault{"CodeTable", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvalin::app::testing

namespace orvalin::app::testing {
namespace {

// An erased table area: the user may start from an empty table or write the
// newest backup back, each after a backup of what was read; or refuse both.
TEST_F(WindowTest, ErasedTableOffersTheNewestBackupOrAnEmptyTable) {
    const std::vector<uint8_t> erased(5632, 0xFF);  // counts and offsets far past the end
    const std::string erased_text(erased.size() * 2, 'F');
    const learning::KeyLinesResult parsed = learning::parse_key_lines(erased_text);
    ASSERT_FALSE(parsed.ok());
    const QString why = QString::fromStdString(learning::describe(parsed.error));
    const QString empty_question =
        why +
        QStringLiteral("\r\n是否从空的编码表开始？遥控器中的编码将被清除（读出的内容先备份）。");
    enum class Choice { refuse, empty, backup };
    for (const Choice choice : {Choice::refuse, Choice::empty, Choice::backup}) {
        SCOPED_TRACE(static_cast<int>(choice));
        QTemporaryDir backups;
        ASSERT_TRUE(backups.isValid());
        qputenv("ORVALIN_BACKUP_DIR", backups.path().toUtf8());
        const std::filesystem::path folder = backups.path().toStdString();
        const std::filesystem::path saved = folder / "code-table-20260101-000000.hex";
        if (choice == Choice::backup) std::ofstream(saved) << "000110CF0A00010B00015AA5\n";
        vorkel::sim::activate();
        vorkel::sim::set_code_table(erased);
        if (choice == Choice::backup) {
            prompts
                .expect(
                    why +
                        QStringLiteral("\r\n遥控器中的编码表无法使用。是否用最新的备份恢复？\r\n") +
                        QString::fromStdString(saved.string()),
                    Answer::yes, Buttons::yes_no)
                .expect(QStringLiteral("已用备份恢复遥控器编码表！\r\n") +
                            QString::fromStdString(saved.string()),
                        Answer::ok);
        } else {
            prompts.expect(empty_question, choice == Choice::empty ? Answer::yes : Answer::no,
                           Buttons::yes_no);
            prompts.expect(choice == Choice::empty ? QStringLiteral("已从空的编码表开始！") : why,
                           Answer::ok);
        }
        Tmainorvalin& w = start(false);
        EXPECT_EQ(w.start_failed(), choice == Choice::refuse);
        EXPECT_EQ(vorkel::sim::code_table_writes(), choice == Choice::refuse ? 0u : 1u);
        if (choice == Choice::backup) {
            EXPECT_EQ(w.session().keys(),
                      (learning::KeyStates{{0x10, learning::KeyState::stored}}));
        } else {
            EXPECT_TRUE(w.session().keys().empty());
        }
        // Before the write, what was read is backed up.
        std::vector<std::filesystem::path> found;
        for (const auto& e : std::filesystem::directory_iterator(folder))
            if (e.path() != saved) found.push_back(e.path());
        if (choice == Choice::refuse) {
            EXPECT_TRUE(found.empty());
        } else {
            ASSERT_EQ(found.size(), 1u);
            std::ifstream in(found[0]);
            std::string line;
            std::getline(in, line);
            EXPECT_EQ(line, erased_text);
        }
        w.close();
        window.reset();
        qunsetenv("ORVALIN_BACKUP_DIR");
    }
}

class MissingLibrary : public WindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MissingLibrary, PictureErrorEndsTheProgram) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"on1800.dll", "sn1800.dll", "fn1800.dll", "dn1800.dll", "bn1800.dll"})
        if (std::string(name) != GetParam()) {
            ASSERT_TRUE(
                QFile::copy(program_dir() + QLatin1String(name), dir.filePath(QLatin1String(name))))
                << name;
        }
    prompts.expect(QStringLiteral("调用图片出错！"), Answer::ok, Buttons::ok, kBoxTitle);
    window = std::make_unique<Tmainorvalin>(dir.path() + QLatin1Char('/'));
    Tmainorvalin& w = *window;
    ASSERT_FALSE(w.start_failed());
    w.show();
    EXPECT_TRUE(w.start_failed());
    EXPECT_TRUE(wait_until([&] { return !w.isVisible(); }));
    // The monitor was started before the pictures and ends with the close.
    EXPECT_TRUE(wait_until([&] { return !w.link_monitor(); }));
    EXPECT_EQ(vorkel::sim::code_table_writes(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Libraries, MissingLibrary,
                         ::testing::Values("on1800.dll", "sn1800.dll", "fn1800.dll", "dn1800.dll",
                                           "bn1800.dll"),
                         [](const auto& info) { return std::string(info.param).substr(0, 6); });

}  // namespace
}  // namespace orvalin::app::testing

namespace orvalin::app::testing {
namespace {

TEST(Splash, BorderlessWindowFilledWithItsPicture) {
    ensure_app();
    TForm1 splash;
    EXPECT_EQ(splash.windowTitle(), QStringLiteral("启动界面"));
    EXPECT_EQ(splash.size(), QSize(462, 258));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    ASSERT_FALSE(splash.pixmap().isNull());
    EXPECT_TRUE(same_picture(splash.pixmap(), QPixmap(QStringLiteral(":/window/splash"))));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(splash.geometry().center(), screen.center()) << "centred on the screen";
}

}  // namespace
}  // namespace orvalin::app::testing
