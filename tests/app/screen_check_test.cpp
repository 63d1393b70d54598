// A screen narrower than 1024 pixels: a note, and start-up goes on. The display
// mode is never changed.
#include <QGuiApplication>
#include <QScreen>

#include "common/version.h"
#include "tests/app/window_fixture.h"

namespace orvalin::app::testing {
namespace {

class NarrowScreen : public WindowTest {
  protected:
    const char* screen_config() const override { return "offscreen-narrow.json"; }
};

TEST_F(NarrowScreen, NotesTheResolutionAndStartsAnyway) {
    ensure_app(screen_config());
    const QSize size = QGuiApplication::primaryScreen()->size();
    ASSERT_EQ(size, QSize(800, 600));
    prompts.expect(QStringLiteral("你目前的显示器分辨率是800*600\r\n"
                                  "为了运行该软件，你的显示器分辨率至少要1024*768"),
                   Answer::ok, Buttons::ok, kBoxTitle);
    Tmainorvalin& w = start();
    EXPECT_FALSE(w.start_failed());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.link_monitor());
    EXPECT_EQ(part<QLabel>(w, "lab_softver")->text(),
              QStringLiteral("V %1.%2").arg(kVersionMajor).arg(kVersionMinor));
    EXPECT_EQ(QGuiApplication::primaryScreen()->size(), size);
}

}  // namespace
}  // namespace orvalin::app::testing
