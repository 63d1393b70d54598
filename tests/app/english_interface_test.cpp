// The window in English: the translation built beside the program turns the
// window's texts and boxes into English, and the pictures with words come from
// the English set; Chinese stays the default.
#include <QCoreApplication>
#include <QPixmap>
#include <QTranslator>

#include "prompter/interface_language.h"
#include "tests/app/window_fixture.h"

namespace orvalin::app::testing {
namespace {

class EnglishInterface : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(translator.load(QStringLiteral("orvalin_en"),
                                    program_dir() + QStringLiteral("translations")));
        QCoreApplication::installTranslator(&translator);
        set_interface_language("en");
    }
    void TearDown() override {
        WindowTest::TearDown();
        QCoreApplication::removeTranslator(&translator);
        set_interface_language("zh");
    }
    QTranslator translator;
};

TEST_F(EnglishInterface, TextsBoxesAndPicturesAreEnglish) {
    Tmainorvalin& w = start();
    EXPECT_EQ(status_text(w), QStringLiteral("You are learning in TV mode!"));
    EXPECT_EQ(part<IBtn>(w, "helpibtn")->toolTip(), QStringLiteral("Help"));
    // A picture with words: the English one, not the Chinese one.
    EXPECT_TRUE(same_picture(part<IBtn>(w, "beginstudyibtn")->picture(),
                             QPixmap(QStringLiteral(":/en/window/beginstudyibtn"))));
    EXPECT_FALSE(same_picture(part<IBtn>(w, "beginstudyibtn")->picture(),
                              QPixmap(QStringLiteral(":/window/beginstudyibtn"))));
    // Boxes: the text the user reads is English (the scripted prompter sees it).
    prompts.expect(QStringLiteral("Click \"Learn keys\" first!"), Answer::ok, Buttons::ok,
                   kBoxTitle);
    w.key_click(w.key_button(0x10));
    w.TV_IBTNClick();
    w.CBL_IBTNClick();
    EXPECT_EQ(status_text(w), QStringLiteral("You are learning in CBL (set-top box) mode!"));
}

}  // namespace
}  // namespace orvalin::app::testing
