// Shared set-up of the main-window tests: one QApplication on the offscreen
// platform (with a screen of the size the test program asks for), the simulated
// remote in its factory state, scripted message boxes and a recorder in place of
// the desktop's document handler.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QThread>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/ibtn.h"
#include "app/link_monitor.h"
#include "app/main_window.h"
#include "app/shell_open.h"
#include "device/sim/sim_control.h"
#include "tests/app/scripted_prompter.h"
#include "tests/app/window_parts.h"

namespace orvalin::app::testing {

inline constexpr const char* kTestHost = "test.host.example";

// screen_config: a file under tests/data/app describing the offscreen screen.
inline QApplication& ensure_app(const char* screen_config = "offscreen-wide.json") {
    static QApplication* app = nullptr;
    if (app == nullptr) {
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        if (platform.isEmpty() || platform == "offscreen")
            qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") +
                                           ORVALIN_TEST_DATA_DIR "/app/" + screen_config);
        static int argc = 1;
        static char name[] = "orvalin_app_tests";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
    }
    return *app;
}

template <class Pred>
bool wait_until(Pred pred, int timeout_ms = 5000) {
    QDeadlineTimer deadline(timeout_ms);
    while (!pred()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

inline void pump(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

inline QImage as_image(const QPixmap& p) {
    return p.toImage().convertToFormat(QImage::Format_ARGB32);
}
inline bool same_picture(const QPixmap& a, const QImage& b) {
    return !b.isNull() && as_image(a) == b.convertToFormat(QImage::Format_ARGB32);
}
inline bool same_picture(const QPixmap& a, const QPixmap& b) {
    return !b.isNull() && as_image(a) == as_image(b);
}

inline QString program_dir() {
    return QStringLiteral(ORVALIN_PROGRAM_DIR "/");
}

// A code table with no link pairs and one learned key (attribute 0xCF) at
// table_code, one type byte and one key byte.
inline std::vector<uint8_t> table_with_learned_key(uint8_t table_code) {
    return {0x00, 0x01, table_code, 0xCF, 0x0A, 0x00, 0x01, 0x0B, 0x00, 0x01, 0x5A, 0xA5};
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ensure_app(screen_config());
        vorkel::sim::activate();
        qputenv("ORVALIN_VENDOR_HOST", kTestHost);
        set_document_opener([this](const QString& path) {
            opened.push_back(path);
            return true;
        });
    }

    void TearDown() override {
        if (window) {
            window->close();
            window.reset();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        set_document_opener({});
    }

    virtual const char* screen_config() const { return "offscreen-wide.json"; }

    // Creates the window (FormCreate runs); shows it when asked (FormShow runs).
    Tmainorvalin& start(bool show = true) {
        window = std::make_unique<Tmainorvalin>(program_dir());
        if (show) {
            window->show();
            QCoreApplication::processEvents();
        }
        return *window;
    }

    IBtn* button(const char* name) const { return window->findChild<IBtn*>(QLatin1String(name)); }

    ScriptedPrompter prompts;
    std::unique_ptr<Tmainorvalin> window;
    std::vector<QString> opened;
};

}  // namespace orvalin::app::testing
