#include "tests/app/learning_fixture.h"

#include <stdlib.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/ibtn.h"
#include "app/link_monitor.h"
#include "device/sim/demo_signals.h"
#include "learning/code_table.h"
#include "learning/collect_thread.h"

namespace orvalin::app::testing {

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "orvalin-session-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Size of the code table area that the remote holds.
constexpr std::size_t kTableBytes = 5632;

}  // namespace

bool wait_for(const std::function<bool()>& cond, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout.count());
    while (!cond()) {
        if (deadline.hasExpired()) return cond();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

vorkel::sim::Signal nec_signal() {
    const ir_signals::PulseSignal nec = vorkel::sim::demo_signals().front();
    return {nec.durations_us, nec.carrier_hz};
}

vorkel::sim::Signal odd_signal() {
    return {{1024, -2218, 1024}, 38000};
}

bool has_line(const learning::KeyStates& keys, const std::string& line) {
    const std::optional<learning::KeyEntry> entry = learning::read_key_line(line);
    EXPECT_TRUE(entry) << line;
    return entry && std::find(keys.begin(), keys.end(), *entry) != keys.end();
}

bool has_code(const learning::KeyStates& keys, const std::string& code) {
    const int value = std::stoi(code, nullptr, 16);
    return std::any_of(keys.begin(), keys.end(),
                       [&](const learning::KeyEntry& k) { return k.code == value; });
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::uint8_t> bytes_of(const std::string& hex) {
    std::vector<std::uint8_t> b;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        b.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return b;
}

std::string remote_table_hex(std::size_t chars) {
    static const char* digits = "0123456789ABCDEF";
    std::string hex;
    for (std::uint8_t b : vorkel::sim::code_table((chars + 1) / 2)) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    hex.resize(chars);
    return hex;
}

learning::KeyStates remote_key_lines() {
    const learning::KeyLinesResult r = learning::parse_key_lines(remote_table_hex(2 * kTableBytes));
    EXPECT_TRUE(r.ok());
    return learning::read_key_lines(r.lines);
}

void SessionTest::SetUp() {
    application();
    vorkel::sim::activate();
    std::string tmpl = (fs::temp_directory_path() / "orvalin-session-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    temp_ = tmpl;
    backup_dir_ = temp_ / "backups";
    ::setenv("ORVALIN_BACKUP_DIR", backup_dir_.c_str(), 1);
}

void SessionTest::TearDown() {
    ::unsetenv("ORVALIN_BACKUP_DIR");
    std::error_code ec;
    fs::remove_all(temp_, ec);
}

QString SessionTest::make_program_dir(bool with_converter) {
    const fs::path dir = temp_ / (with_converter ? "program-with-converter" : "program");
    fs::create_directories(dir);
    const fs::path build = ORVALIN_PROGRAM_DIR;
    for (const char* name :
         {"on1800.dll", "sn1800.dll", "fn1800.dll", "dn1800.dll", "bn1800.dll", "QZ01.csl"}) {
        std::error_code ec;
        fs::create_symlink(build / name, dir / name, ec);
        EXPECT_TRUE(fs::exists(dir / name)) << name;
    }
    if (with_converter) {
        std::error_code ec;
        fs::create_symlink(fs::path(ORVALIN_TEST_CONVERTER_DIR) / "quendrix.dll",
                           dir / "quendrix.dll", ec);
        EXPECT_TRUE(fs::exists(dir / "quendrix.dll"));
    }
    return QString::fromStdString(dir.string() + "/");
}

std::unique_ptr<Tmainorvalin> SessionTest::open_window(bool with_converter) {
    auto w = std::make_unique<Tmainorvalin>(make_program_dir(with_converter));
    EXPECT_FALSE(w->start_failed());
    if (const QScreen* screen = QGuiApplication::primaryScreen();
        screen && screen->size().width() < 1024)
        boxes.expect(QStringLiteral("你目前的显示器分辨率是%1*%2\r\n为了运行该软件，"
                                    "你的显示器分辨率至少要1024*768")
                         .arg(screen->size().width())
                         .arg(screen->size().height()),
                     Answer::ok);
    w->show();
    EXPECT_TRUE(wait_for([&] { return w->isVisible(); }));
    return w;
}

void SessionTest::close_window(Tmainorvalin& w) {
    w.close();
    wait_for([&] { return !w.isVisible(); });
}

void SessionTest::stop_link_monitor(Tmainorvalin& w) {
    // The monitor's end handler would close the window: the monitor ends without it.
    QPointer<linkstate> monitor = w.link_monitor();
    if (!monitor) return;
    QObject::disconnect(monitor, &QThread::finished, &w, nullptr);
    monitor->stop_and_wait();
    wait_for([&] { return !w.link_monitor(); }, std::chrono::seconds(2));
}

IBtn* SessionTest::key(Tmainorvalin& w, int code) const {
    IBtn* b = w.key_button(code);
    EXPECT_NE(b, nullptr) << code;
    return b;
}

bool SessionTest::wait_collection_done(Tmainorvalin& w) {
    return wait_for([&] { return !w.collecting() && w.key_being_learned() == nullptr; });
}

void SessionTest::learn(Tmainorvalin& w, int code, const vorkel::sim::Signal& signal) {
    vorkel::sim::queue_signal(signal);
    boxes.expect(QStringLiteral("已接收到遥控器编码！"), Answer::ok);
    w.key_click(key(w, code));
    EXPECT_TRUE(wait_collection_done(w));
}

void SessionTest::start_learning(Tmainorvalin& w) {
    w.beginstudyibtnClick();
    EXPECT_TRUE(w.session().learning());
}

void SessionTest::stop_learning(Tmainorvalin& w, Answer commit_answer) {
    boxes.expect(QStringLiteral("你是否确认本次自学习的按键？"), commit_answer, Buttons::yes_no);
    if (commit_answer == Answer::yes) boxes.expect(QStringLiteral("自学习操作完成！"), Answer::ok);
    w.beginstudyibtnClick();
    EXPECT_FALSE(w.session().learning());
}

void SessionTest::stop_learning_without_changes(Tmainorvalin& w) {
    w.beginstudyibtnClick();
    EXPECT_FALSE(w.session().learning());
}

std::vector<fs::path> SessionTest::backups() const {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(backup_dir_, ec))
        if (e.path().filename().string().starts_with("code-table-")) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<fs::path> SessionTest::unwritten_tables() const {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(backup_dir_, ec))
        if (e.path().filename().string().starts_with("unwritten-")) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace orvalin::app::testing
