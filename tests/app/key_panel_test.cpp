// The key panel: device modes, key pictures per mode, the image button control,
// and the tool buttons of the main window.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <array>

#include "common/key_table.h"
#include "learning/key_states.h"
#include "prompter/interface_language.h"
#include "tests/app/window_fixture.h"

namespace orvalin::app::testing {
namespace {

const std::array<QString, 3> kStatus = {
    QStringLiteral("您现在是在 电视/TV 里进行自学习！"),
    QStringLiteral("您现在是在 机顶盒/CBL 里进行自学习！"),
    QStringLiteral("您现在是在 影碟机/DVD 里进行自学习！"),
};
const QString kCblNote = QStringLiteral("出厂前已预置杭州地区华为机顶盒编码");

void click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(3, 3));
}

class KeyPanel : public WindowTest {
  protected:
    IBtn* mode_button(int mode) const {
        return std::array{part<IBtn>(*window, "TV_IBTN"), part<IBtn>(*window, "CBL_IBTN"),
                          part<IBtn>(*window, "DVD_IBTN")}[mode];
    }
    IBtn* mode_key(int mode) const {
        return window->key_button(
            std::array{kTvModeKeyCode, kCblModeKeyCode, kDvdModeKeyCode}[mode]);
    }
    void expect_mode(int mode, const char* where) {
        SCOPED_TRACE(where);
        EXPECT_EQ(window->cur_mode(), mode);
        EXPECT_EQ(status_text(*window), kStatus[mode]);
        for (int m = 0; m < 3; ++m) {
            EXPECT_EQ(mode_button(m)->IsEnable(), m != mode) << "mode button " << m;
            EXPECT_EQ(mode_key(m)->IsEnable(), m != mode) << "mode key " << m;
            if (m == mode) {
                EXPECT_TRUE(same_picture(mode_button(m)->picture(), mode_button(m)->DisablePic()));
            }
        }
    }
};

TEST_F(KeyPanel, ModeSwitchesSetStatusActiveButtonsAndTheCableNote) {
    Tmainorvalin& w = start();
    const QPixmap cbl_normal = part<IBtn>(w, "CBL_IBTN")->picture();
    ASSERT_FALSE(cbl_normal.isNull());

    const struct Step {
        int click_mode;
        int mode_after;
        bool note_shown;
    } steps[] = {
        {1, 1, true},                  // to CBL: the note appears
        {1, 1, true},                  // CBL again: nothing changes, the note stays
        {2, 2, false},                 // to DVD: the note goes
        {0, 0, false},                 // to TV
        {1, 1, true},  {0, 0, false},  // TV hides the note before anything else
        {0, 0, false},                 // TV again: nothing changes
    };
    for (const Step& s : steps) {
        click(mode_button(s.click_mode));
        const std::string where = "after clicking mode " + std::to_string(s.click_mode);
        expect_mode(s.mode_after, where.c_str());
        EXPECT_EQ(part<QLabel>(w, "Lab_stb")->isVisible(), s.note_shown) << where;
        if (s.note_shown) {
            EXPECT_EQ(part<QLabel>(w, "Lab_stb")->text(), kCblNote);
        }
    }
    // Back from active to normal: the normal picture returns.
    EXPECT_TRUE(same_picture(part<IBtn>(w, "CBL_IBTN")->picture(), cbl_normal));
}

TEST_F(KeyPanel, ModeSwitchIgnoresLearningAndDeleteStates) {
    Tmainorvalin& w = start();
    w.beginstudyibtnClick();
    ASSERT_TRUE(w.session().learning());
    click(part<IBtn>(w, "DVD_IBTN"));
    expect_mode(2, "learning");
    w.beginstudyibtnClick();
    w.delete_toggle_click();
    ASSERT_TRUE(w.session().deleting());
    click(part<IBtn>(w, "CBL_IBTN"));
    expect_mode(1, "deleting");
    w.delete_toggle_click();
}

// Which look each key gets is decided by the session's key states (tested
// without a window); here the window shows the picture of each look.
TEST_F(KeyPanel, KeysShowThePictureOfTheirStateInTheirOwnMode) {
    // Three records sharing one type byte: 0C preset, 3F learned (CBL key 0C) with
    // the attribute the program writes, 72 learned (DVD key 0C) with bit 6 only.
    vorkel::sim::set_code_table({0x00, 0x03,                                    //
                                 0x0C, 0x0F, 26,   0x00, 0x01, 27, 0x00, 0x01,  //
                                 0x3F, 0xCF, 26,   0x00, 0x01, 28, 0x00, 0x01,  //
                                 0x72, 0x4F, 26,   0x00, 0x01, 29, 0x00, 0x01,  //
                                 0x5A, 0xA1, 0xA2, 0xA3});
    Tmainorvalin& w = start();
    IBtn* key = w.key_button(0x0C);
    IBtn* other = w.key_button(0x0D);
    ASSERT_NE(key, nullptr);
    const auto& p = w.key_pictures();
    EXPECT_TRUE(same_picture(key->picture(), p.dn[0x0C])) << "preset in TV";
    EXPECT_TRUE(same_picture(other->picture(), p.on[0x0D])) << "no code in TV";
    for (int mode : {1, 2}) {
        click(mode_button(mode));
        EXPECT_TRUE(same_picture(key->picture(), p.sn[0x0C])) << "learned in mode " << mode;
        EXPECT_FALSE(key->IsEnable()) << mode;
        EXPECT_TRUE(same_picture(other->picture(), p.on[0x0D])) << mode;
    }
    click(part<IBtn>(w, "TV_IBTN"));
    EXPECT_TRUE(same_picture(key->picture(), p.dn[0x0C])) << "preset again in TV";
}

TEST_F(KeyPanel, LearnedTableKeyIsShownOnlyInItsMode) {
    vorkel::sim::set_code_table(table_with_learned_key(0x35));
    Tmainorvalin& w = start();
    ASSERT_EQ(w.session().keys(), (learning::KeyStates{{0x35, learning::KeyState::stored}}));
    IBtn* key02 = w.key_button(0x02);
    EXPECT_FALSE(same_picture(key02->picture(), w.key_pictures().sn[2]));
    click(part<IBtn>(w, "CBL_IBTN"));
    EXPECT_TRUE(same_picture(key02->picture(), w.key_pictures().sn[2]));
    click(part<IBtn>(w, "TV_IBTN"));
    EXPECT_FALSE(same_picture(key02->picture(), w.key_pictures().sn[2]));
}

TEST_F(KeyPanel, EveryKeyButtonIsInPlaceWithItsNameAndCode) {
    Tmainorvalin& w = start();
    ASSERT_EQ(key_buttons(w).size(), kKeyTable.size());
    for (const KeyInfo& k : kKeyTable) {
        const QString name = QString::fromUtf8(k.button.data(), int(k.button.size()));
        IBtn* b = w.findChild<IBtn*>(name);
        ASSERT_NE(b, nullptr) << name.toStdString();
        EXPECT_EQ(b->geometry(), QRect(k.left, k.top, k.width, k.height)) << name.toStdString();
        EXPECT_EQ(b->Code(), QStringLiteral("%1").arg(k.code, 2, 16, QLatin1Char('0')).toUpper());
        EXPECT_EQ(b->Path(), QString::fromUtf8(k.path.data(), int(k.path.size())));
        EXPECT_EQ(b->parentWidget(), part<QScrollArea>(w, "ykqbox")->widget());
        EXPECT_EQ(w.key_button(k.code), b);
    }
    for (IBtn* b : {part<IBtn>(w, "TV_IBTN"), part<IBtn>(w, "CBL_IBTN"), part<IBtn>(w, "DVD_IBTN"),
                    part<IBtn>(w, "beginstudyibtn"), part<IBtn>(w, "delstudykey"),
                    part<IBtn>(w, "delallstudykey"), part<IBtn>(w, "helpibtn"),
                    part<IBtn>(w, "updateibtn"), part<IBtn>(w, "IBtn79")})
        EXPECT_EQ(b->cursor().shape(), Qt::PointingHandCursor) << b->objectName().toStdString();
    EXPECT_EQ(part<QScrollArea>(w, "ykqbox")->geometry(), QRect(32, 9, 197, 731));

    // The components keep their layout names as objectName: one of each, of its kind.
    const struct {
        const char* name;
        const char* kind;
    } named[] = {
        {"Image1", "QLabel"},
        {"ykqbox", "QScrollArea"},
        {"runstate_lab", "QLabel"},
        {"Lab_stb", "QLabel"},
        {"Imagehint", "QLabel"},
        {"donghuaflash2", "QLabel"},
        {"Image4", "QLabel"},
        {"Image5", "QLabel"},
        {"Image7", "QLabel"},
        {"Image8", "QLabel"},
        {"IBtn79", "orvalin::app::IBtn"},
        {"lab_ykqtype", "QLabel"},
        {"lab_softver", "QLabel"},
        {"lab_gjbb", "QLabel"},
        {"Memo2", "QPlainTextEdit"},
    };
    for (const auto& n : named) {
        const QList<QWidget*> found = w.findChildren<QWidget*>(QLatin1String(n.name));
        ASSERT_EQ(found.size(), 1) << n.name;
        EXPECT_STREQ(found.front()->metaObject()->className(), n.kind) << n.name;
    }
}

TEST_F(KeyPanel, ModeKeysDoNothingInAnyState) {
    Tmainorvalin& w = start();
    const struct {
        const char* name;
        bool study, remove;
    } states[] = {{"idle", false, false}, {"learning", true, false}, {"deleting", false, true}};
    for (const auto& s : states) {
        if (s.study) w.beginstudyibtnClick();
        if (s.remove) w.delete_toggle_click();
        for (int mode = 0; mode < 3; ++mode) {
            click(mode_key(mode));  // any box would fail the test
            EXPECT_EQ(w.cur_mode(), 0) << s.name;
            EXPECT_TRUE(w.key_being_learned() == nullptr) << s.name;
            EXPECT_EQ(w.session().learning(), s.study) << s.name;
            EXPECT_EQ(w.session().deleting(), s.remove) << s.name;
        }
        if (s.study) w.beginstudyibtnClick();
        if (s.remove) w.delete_toggle_click();
    }
    // An ordinary key does reach the key handler.
    prompts.expect(QStringLiteral("请先点击开始学习按钮！"), Answer::ok);
    click(w.key_button(0x04));
}

TEST_F(KeyPanel, UpdateButtonRefusesWhileLearningOrDeleting) {
    Tmainorvalin& w = start();
    w.beginstudyibtnClick();
    prompts.expect(QStringLiteral("软件正在学习状态，要升级请退出学习状态！"), Answer::ok,
                   Buttons::ok, kAppTitle);
    click(part<IBtn>(w, "updateibtn"));
    w.beginstudyibtnClick();
    w.delete_toggle_click();
    prompts.expect(QStringLiteral("软件正在删除状态，要升级请退出删除状态！"), Answer::ok,
                   Buttons::ok, kAppTitle);
    click(part<IBtn>(w, "updateibtn"));
    w.delete_toggle_click();
}

// A key button's Path is its name: a file of that name in the current folder ("VOL+",
// "POWER/TV") is never opened by a press.
TEST_F(KeyPanel, KeyButtonsOpenNothing) {
    Tmainorvalin& w = start();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    for (const KeyInfo& k : kKeyTable) {
        const QString path = QString::fromUtf8(k.path.data(), int(k.path.size()));
        if (path.isEmpty()) continue;
        QDir(dir.path()).mkpath(QFileInfo(dir.filePath(path)).path());
        QFile file(dir.filePath(path));
        if (file.open(QIODevice::WriteOnly)) file.close();
    }
    for (IBtn* b : key_buttons(w)) {
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(2, 2));
        EXPECT_TRUE(opened.empty()) << b->Path().toStdString();
        opened.clear();
        QTest::mouseRelease(b, Qt::RightButton, {}, QPoint(2, 2));
    }
    QDir::setCurrent(old);
}

// 帮助 opens the manual page of the interface's language from the program
// folder, with no box, whatever the current folder holds.
TEST_F(KeyPanel, HelpOpensTheProgramsManualNeverAFileOfTheCurrentFolder) {
    Tmainorvalin& w = start();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("manual/zh")));
    for (const char* name : {"studyhelp.chm", "manual/zh/index.html"}) {
        QFile decoy(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(decoy.open(QIODevice::WriteOnly));
    }
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const std::string language = interface_language();
    for (const char* lang : {"zh", "en"}) {
        set_interface_language(lang);
        opened.clear();
        click(part<IBtn>(w, "helpibtn"));
        const QString page = program_dir() + QStringLiteral("manual/%1/index.html").arg(lang);
        ASSERT_TRUE(QFileInfo(page).isFile()) << page.toStdString();
        EXPECT_EQ(opened, std::vector<QString>{QFileInfo(page).absoluteFilePath()}) << lang;
    }
    set_interface_language(language);
    QDir::setCurrent(old);
}

// The desktop refusing the page is a missing help file to the user.
TEST_F(KeyPanel, HelpThatCannotBeOpenedSaysSo) {
    Tmainorvalin& w = start();
    set_document_opener([](const QString&) { return false; });
    prompts.expect(QStringLiteral("找不到帮助文件！"), Answer::ok, Buttons::ok, kBoxTitle);
    click(part<IBtn>(w, "helpibtn"));
}

TEST_F(KeyPanel, DraggingTheBackgroundMovesTheBorderlessWindow) {
    Tmainorvalin& w = start();
    // The background picture passes the mouse on to the window.
    const struct {
        const char* name;
        QWidget* target;
        QPoint grab;
    } places[] = {{"bare background", &w, {300, 735}},
                  {"background picture", part<QLabel>(w, "Image1"), {300, 300}}};
    for (const auto& p : places) {
        const QPoint before = w.pos();
        QTest::mousePress(p.target, Qt::LeftButton, {}, p.grab);
        QTest::mouseMove(p.target, p.grab + QPoint(40, 10));
        QTest::mouseRelease(p.target, Qt::LeftButton, {}, p.grab + QPoint(40, 10));
        EXPECT_EQ(w.pos(), before + QPoint(40, 10)) << p.name;
    }
    // A key takes its own press: the window stays.
    const QPoint before = w.pos();
    IBtn* key = w.key_button(0x05);
    prompts.expect(QStringLiteral("请先点击开始学习按钮！"), Answer::ok);
    QTest::mousePress(key, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseMove(key, QPoint(20, 15));
    QTest::mouseRelease(key, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(w.pos(), before);
}

TEST_F(KeyPanel, SaveScreenshotOfEveryMode) {
    // The factory table (preset CBL keys) with one learned TV key added.
    const std::vector<uint8_t> factory = vorkel::sim::code_table(5632);
    std::string text;
    for (uint8_t b : factory)
        text += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper().toStdString();
    const learning::TableResult with_key = learning::rebuild_code_text(text,
                                                                       "000107CF00000100000"
                                                                       "15AA5");
    ASSERT_TRUE(with_key.ok());
    std::vector<uint8_t> table;
    for (std::size_t i = 0; i + 1 < with_key.text.size(); i += 2)
        table.push_back(static_cast<uint8_t>(std::stoi(with_key.text.substr(i, 2), nullptr, 16)));
    vorkel::sim::set_code_table(table);
    Tmainorvalin& w = start();
    ASSERT_TRUE(w.session().has_learned_keys());
    const QString folder = program_dir() + QStringLiteral("test-artefacts/app");
    ASSERT_TRUE(QDir().mkpath(folder));
    const struct {
        int mode;
        const char* name;
    } modes[] = {{1, "CBL"}, {2, "DVD"}, {0, "TV"}};
    for (const auto& m : modes) {
        click(mode_button(m.mode));
        const QString file = folder + QStringLiteral("/mainorvalin-%1.png").arg(m.name);
        EXPECT_TRUE(w.grab().save(file)) << file.toStdString();
    }
}

}  // namespace
}  // namespace orvalin::app::testing
