// The program's main window on the offscreen platform against the remote
// emulated behind the kernel's interfaces, through the real Linux backend: the
// start-up check and table read, one key learned and committed through the
// window, and the remote's memory checked afterwards in the model.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QScreen>
#include <QThread>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/ibtn.h"
#include "app/link_monitor.h"
#include "app/main_window.h"
#include "common/hex_text.h"
#include "device/sim/demo_signals.h"
#include "device/sim/factory_state.h"
#include "learning/code_table.h"
#include "learning/collect_thread.h"
#include "learning/key_states.h"
#include "tests/app/scripted_prompter.h"
#include "tests/usb/emulated_remote.h"

namespace orvalin::usb_test {
namespace {

namespace fs = std::filesystem;
namespace sim = vorkel::sim;
using ui::Answer;
using ui::Buttons;

constexpr std::size_t kTableBytes = 5632;
constexpr int kVolumeUp = 0x10;  // TV VOL+: table code 0x10

QApplication& application() {
    static int argc = 1;
    static char name[] = "orvalin-usb-app-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

bool wait_for(const std::function<bool()>& cond, int timeout_ms = 10000) {
    QDeadlineTimer deadline(timeout_ms);
    while (!cond()) {
        if (deadline.hasExpired()) return cond();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

learning::KeyStates keys_in(EmulatedRemote& remote) {
    const std::string hex = remote.with_firmware([](Firmware& f) {
        return orvalin::hex::from_bytes(f.memory().data() + sim::kCodeTablePage * sim::kPageSize,
                                        kTableBytes);
    });
    const learning::KeyLinesResult parsed = learning::parse_key_lines(hex);
    EXPECT_TRUE(parsed.ok());
    return learning::read_key_lines(parsed.lines);
}

bool holds(const learning::KeyStates& keys, int code, learning::KeyState state) {
    return std::find(keys.begin(), keys.end(), learning::KeyEntry{code, state}) != keys.end();
}

class WindowOnEmulatedRemote : public ::testing::Test {
  protected:
    void SetUp() override {
        application();
        ::unsetenv("VORKEL_BACKEND");
        std::string tmpl = (fs::temp_directory_path() / "orvalin-usb-app-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        temp_ = tmpl;
        ::setenv("ORVALIN_BACKUP_DIR", (temp_ / "backups").c_str(), 1);
        remote_ = &bus_.add_remote();
    }
    void TearDown() override {
        ::unsetenv("ORVALIN_BACKUP_DIR");
        std::error_code ec;
        fs::remove_all(temp_, ec);
    }

    QString program_dir() {
        const fs::path dir = temp_ / "program";
        fs::create_directories(dir);
        for (const char* name :
             {"on1800.dll", "sn1800.dll", "fn1800.dll", "dn1800.dll", "bn1800.dll", "QZ01.csl"}) {
            std::error_code ec;
            fs::create_symlink(fs::path(ORVALIN_PROGRAM_DIR) / name, dir / name, ec);
        }
        return QString::fromStdString(dir.string() + "/");
    }

    app::testing::ScriptedPrompter boxes;
    EmulatedBus bus_;
    EmulatedRemote* remote_ = nullptr;
    fs::path temp_;
};

TEST_F(WindowOnEmulatedRemote, StartsLearnsOneKeyAndWritesItIntoTheRemote) {
    ASSERT_FALSE(holds(keys_in(*remote_), kVolumeUp, learning::KeyState::stored));
    auto w = std::make_unique<app::Tmainorvalin>(program_dir());
    ASSERT_FALSE(w->start_failed()) << "start-up check and table read through the Linux backend";
    EXPECT_FALSE(w->session().keys().empty()) << "the factory table's preset keys were read";
    EXPECT_GE(remote_->string_reads(), 8u + 704u) << "basic information and table came over usbfs";
    if (const QScreen* screen = QGuiApplication::primaryScreen();
        screen && screen->size().width() < 1024) {
        boxes.expect_starting(QStringLiteral("你目前的显示器分辨率是"), Answer::ok);
    }
    w->show();
    ASSERT_TRUE(wait_for([&] { return w->isVisible(); }));
    EXPECT_TRUE(wait_for([&] { return w->link_monitor() != nullptr; }));

    w->beginstudyibtnClick();
    ASSERT_TRUE(w->session().learning());
    remote_->queue_signal(sim::demo_signals().front());
    boxes.expect(QStringLiteral("已接收到遥控器编码！"), Answer::ok);
    w->key_click(w->key_button(kVolumeUp));
    ASSERT_TRUE(wait_for([&] { return !w->collecting() && w->key_being_learned() == nullptr; }));

    boxes.expect(QStringLiteral("你是否确认本次自学习的按键？"), Answer::yes, Buttons::yes_no);
    boxes.expect(QStringLiteral("自学习操作完成！"), Answer::ok);
    w->beginstudyibtnClick();
    EXPECT_FALSE(w->session().learning());
    EXPECT_EQ(boxes.pending(), 0u);

    // The remote itself now holds the key as learned and stored.
    EXPECT_EQ(remote_->with_firmware([](Firmware& f) { return f.code_table_writes(); }), 1u);
    EXPECT_TRUE(holds(keys_in(*remote_), kVolumeUp, learning::KeyState::stored));
    w->close();
    wait_for([&] { return !w->isVisible(); });
    w.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
}  // namespace orvalin::usb_test
