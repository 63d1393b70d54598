// The update window on the offscreen platform, against a local HTTP server, with
// scripted message boxes and a signing key of the test's own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sodium.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMouseEvent>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>

#include "common/data_files.h"
#include "tests/app/scripted_prompter.h"
#include "tests/update/file_times.h"
#include "tests/update/local_http_server.h"
#include "tests/update/test_publisher_key.h"
#include "update/clickable_picture.h"
#include "update/digest.h"
#include "update/local_time.h"
#include "update/release.h"
#include "update/staged_install.h"
#include "update/staged_manifest.h"
#include "update/update_names.h"
#include "update/update_window_impl.h"

namespace orvalin::update {
namespace {

using app::testing::ScriptedPrompter;
using testing::LocalHttpServer;
using ui::Answer;
using ui::Buttons;
using namespace std::chrono_literals;

const QString kRestart = QStringLiteral("需要重新启动程序，升级才能完成！");
const QString kNothingInstalled = QStringLiteral("升级失败，没有安装任何文件：\r\n");
const QString kOk = QStringLiteral("升级成功");
const QString kFailed = QStringLiteral("升级失败");
const QString kWaiting = QStringLiteral("未升级");
const char* const kDate = "2024-05-01 12:00:00";
// The release section of a configuration that stays valid for as long as any test runs.
std::string release_section(std::uint64_t serial,
                            const std::string& expires = "2999-01-01T00:00:00Z") {
    return "[release]\r\nserial=" + std::to_string(serial) + "\r\nexpires=" + expires + "\r\n";
}

bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

QByteArray read_all(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList folder_listing(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A publisher's key pair, made for the test.
using SigningKey = testing::TestPublisherKey;

// A file the configuration offers: its listed name, the bytes it is signed for.
struct Offered {
    std::string name;
    std::string content;
    std::string date = kDate;
    std::string file() const { return update_file_name(name); }
};

class UpdateWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        program_dir_ = dir_.path() + QStringLiteral("/program/");
        ASSERT_TRUE(QDir().mkpath(program_dir_));
        ASSERT_TRUE(QDir().mkpath(dir_.path() + QStringLiteral("/run")));
        ASSERT_TRUE(QFile::copy(QStringLiteral(ORVALIN_UPDATE_TEST_BUNDLE),
                                program_dir_ + QStringLiteral("voredirav44.dll")));
        qputenv("ORVALIN_VENDOR_HOST", QByteArray::fromStdString(server_.host()));
        server_.raw().Get("/orvalin/update.ini",
                          [this](const httplib::Request&, httplib::Response& res) {
                              std::lock_guard lock(config_mutex_);
                              res.status = config_status_.empty() ? 200 : config_status_.front();
                              if (!config_status_.empty())
                                  config_status_.erase(config_status_.begin());
                              res.set_content(config_, "text/plain");
                          });
        server_.raw().Get("/orvalin/update.ini.sig",
                          [this](const httplib::Request&, httplib::Response& res) {
                              std::lock_guard lock(config_mutex_);
                              res.status = signature_status_;
                              res.set_content(signature_, "text/plain");
                          });
        options_.connected_linger = 0ms;
        options_.http.stall_timeout = 30s;
        options_.publisher_key = key_.pk;
        options_.folders.data = (dir_.path() + QStringLiteral("/data")).toStdString();
        options_.folders.runtime = (dir_.path() + QStringLiteral("/run")).toStdString();
    }
    void TearDown() override {
        qunsetenv("ORVALIN_VENDOR_HOST");
        QFile::setPermissions(
            program_dir_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // The configuration text: servers in order, tq58 lines, and the signed hashes.
    static std::string config_text(const std::vector<std::pair<std::string, std::string>>& servers,
                                   const std::vector<Offered>& files,
                                   const std::string& release = release_section(1)) {
        std::string text;
        if (!servers.empty()) text += "[server]\r\n";
        for (const auto& [k, v] : servers) text += k + "=" + v + "\r\n";
        text += release;
        text += "[tq58]\r\n";
        int n = 1;
        for (const auto& f : files)
            text += std::to_string(n++) + "=" + f.name + "|" + f.date + "|" +
                    std::to_string(f.content.size()) + "\r\n";
        text += "[sha256]\r\n";
        for (const auto& f : files)
            text += f.file() + "=" + sha256_hex(f.content) + "|" +
                    std::to_string(f.content.size()) + "\r\n";
        return text;
    }
    // Publishes text with the signature the server gives for it.
    void publish_text(std::string text, std::string signature, int signature_status = 200,
                      std::vector<int> statuses = {}) {
        std::lock_guard lock(config_mutex_);
        config_ = std::move(text);
        signature_ = std::move(signature);
        signature_status_ = signature_status;
        config_status_ = std::move(statuses);
    }
    // A configuration signed with the test's key, under a serial higher than the last.
    void publish(const std::vector<std::pair<std::string, std::string>>& servers,
                 const std::vector<Offered>& files, std::vector<int> statuses = {}) {
        const std::string text = config_text(servers, files, release_section(++serial_));
        publish_text(text, key_.sign(text), 200, std::move(statuses));
    }
    std::string files_url() const { return server_.url("/files/"); }
    void serve(const Offered& f) { server_.serve("/files/" + f.file(), f.content); }

    QString staging() const {
        return QString::fromStdString(options_.folders.staging().string()) + QLatin1Char('/');
    }
    // A file in the program folder with its time set to a local wall-clock time.
    void local_file(const std::string& file, LocalSeconds when) {
        const QString path = program_dir_ + QString::fromStdString(file);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old version");
        f.close();
        testing::set_local_mtime(path.toStdString(), when);
    }
    void old_local_file(const std::string& file) {
        local_file(file, *local_time(2024, 5, 1, 12, 0, 0) - 24h);
    }

    std::unique_ptr<Tupdate> open() {
        auto w = std::make_unique<Tupdate>(nullptr, program_dir_, options_);
        w->show();
        EXPECT_TRUE(wait_until([&] { return w->connection_test_done() || !w->isVisible(); }));
        return w;
    }
    std::unique_ptr<Tupdate> on_server_page() {
        auto w = open();
        w->fetch_button->click();
        EXPECT_EQ(w->Notebook1->currentIndex(), 0);
        return w;
    }
    std::unique_ptr<Tupdate> on_file_page() {
        auto w = on_server_page();
        w->choose_button->click();
        EXPECT_EQ(w->Notebook1->currentIndex(), 1);
        return w;
    }
    // Fetches the published configuration and expects it refused with message: the
    // window stays on its first page with no server listed.
    std::unique_ptr<Tupdate> refused_on_fetch(const QString& message, const char* what) {
        auto w = open();
        boxes_.expect(message, Answer::ok, Buttons::ok, ui::kAppTitle);
        w->fetch_button->click();
        EXPECT_EQ(boxes_.pending(), 0u) << what;
        EXPECT_EQ(w->Notebook1->currentIndex(), 2) << what;
        EXPECT_FALSE(w->choose_button->isEnabled()) << what;
        EXPECT_EQ(w->ListBox1->count(), 0) << what;
        return w;
    }
    static QString cell(Tupdate& w, int row, int col) {
        const auto* item = w.StringGrid1->item(row, col);
        return item != nullptr ? item->text() : QString();
    }
    std::vector<std::string> staged() const {
        std::vector<std::string> out;
        const auto m = read_manifest(options_.folders.staging());
        EXPECT_TRUE(m.has_value());
        if (m)
            for (const auto& e : *m) out.push_back(e.file);
        return out;
    }
    // Files left in the staging folder besides the configuration, its signature and
    // the record of the release accepted.
    QStringList staged_files() const {
        QStringList out = folder_listing(staging());
        out.removeAll(QStringLiteral("update.ini"));
        out.removeAll(QStringLiteral("update.ini.sig"));
        out.removeAll(QStringLiteral("accepted-release"));
        return out;
    }

    LocalHttpServer server_;
    QTemporaryDir dir_;
    QString program_dir_;
    SigningKey key_;
    UpdateWindowOptions options_;
    ScriptedPrompter boxes_;
    std::mutex config_mutex_;
    std::string config_;
    std::string signature_;
    int signature_status_ = 200;
    std::vector<int> config_status_;
    std::uint64_t serial_ = 0;
};

TEST_F(UpdateWindowTest, ConnectionTestShowsItsOutcomeAndAlwaysEnablesNext) {
    struct Case {
        bool reachable;
        const char* label;
    } cases[] = {{true, "连接服务器成功！"}, {false, "连接服务器失败！"}};
    for (const auto& c : cases) {
        if (!c.reachable) qputenv("ORVALIN_VENDOR_HOST", "127.0.0.1:1");
        auto w = std::make_unique<Tupdate>(nullptr, program_dir_, options_);
        EXPECT_FALSE(w->net_ok());  // cleared when the window is created
        EXPECT_EQ(w->windowTitle(), QStringLiteral("升级"));
        w->show();
        EXPECT_EQ(w->Notebook1->currentIndex(), 2);
        EXPECT_EQ(w->Notebook1->currentWidget()->objectName(), QStringLiteral("linkstate"));
        ASSERT_TRUE(wait_until([&] { return w->connection_test_done(); }));
        EXPECT_EQ(w->labnetlink->text(), QString::fromUtf8(c.label));
        EXPECT_EQ(w->Image2->isVisible(), c.reachable);
        EXPECT_EQ(w->Image3->isVisible(), !c.reachable);
        EXPECT_FALSE(w->ShockwaveFlash1->isVisible());
        EXPECT_EQ(w->animation()->state(), QMovie::NotRunning);
        EXPECT_TRUE(w->fetch_button->isEnabled());
        EXPECT_FALSE(w->net_ok());
    }
}

TEST_F(UpdateWindowTest, ButtonsKeepTheirFormNames) {
    Tupdate w(nullptr, program_dir_, options_);
    const std::pair<const char*, QPushButton*> buttons[] = {
        {"Button1", w.back_button},      {"Button2", w.upgrade_button},
        {"Button3", w.abort_button},     {"Button4", w.files_exit_button},
        {"Button5", w.fetch_button},     {"Button6", w.choose_button},
        {"Button7", w.link_exit_button}, {"Button8", w.server_exit_button}};
    for (const auto& [name, button] : buttons)
        EXPECT_EQ(w.findChild<QPushButton*>(QString::fromLatin1(name)), button) << name;
}

// The animation lives in the user's runtime folder: the program folder may be read-only.
TEST_F(UpdateWindowTest, AnimationIsExtractedAgainAtEveryOpeningIntoTheRuntimeFolder) {
    const QByteArray gif = read_all(QStringLiteral(ORVALIN_TEST_DATA_DIR "/update/linkflash.gif"));
    ASSERT_FALSE(gif.isEmpty());
    const QStringList program_files = folder_listing(program_dir_);
    for (int opening = 0; opening < 2; ++opening) {
        QString swf;
        {
            auto w = std::make_unique<Tupdate>(nullptr, program_dir_, options_);
            w->show();
            ASSERT_TRUE(wait_until([&] { return w->connection_test_done(); }));
            swf = w->animation_file();
            EXPECT_TRUE(swf.startsWith(dir_.path() + QStringLiteral("/run/"))) << swf.toStdString();
            EXPECT_TRUE(swf.endsWith(QStringLiteral("78.swf")));
            EXPECT_EQ(read_all(swf), gif) << "opening " << opening;
            EXPECT_TRUE(w->animation()->isValid());
            EXPECT_GE(w->animation()->frameCount(), 2);
            // A stale copy is replaced at the next opening.
            QFile stale(swf);
            ASSERT_TRUE(stale.open(QIODevice::WriteOnly | QIODevice::Truncate));
            stale.write("stale animation");
        }
        EXPECT_FALSE(QFile::exists(swf));  // removed with the window
    }
    EXPECT_EQ(folder_listing(program_dir_), program_files);
}

TEST_F(UpdateWindowTest, MissingAnimationFailsAndCloses) {
    ASSERT_TRUE(QFile::remove(program_dir_ + QStringLiteral("voredirav44.dll")));
    boxes_.expect(QStringLiteral("升级失败！"), Answer::ok);
    auto w = std::make_unique<Tupdate>(nullptr, program_dir_, options_);
    w->show();
    EXPECT_TRUE(wait_until([&] { return !w->isVisible(); }));
}

TEST_F(UpdateWindowTest, EveryExitAndTheSuccessPictureClose) {
    const std::vector<std::function<void(Tupdate&)>> closers = {
        [](Tupdate& w) { w.link_exit_button->click(); },
        [](Tupdate& w) { w.server_exit_button->click(); },
        [](Tupdate& w) { w.files_exit_button->click(); },
        [](Tupdate& w) {
            const QPointF at(w.Image2->width() / 2.0, w.Image2->height() / 2.0);
            QMouseEvent press(QEvent::MouseButtonPress, at, w.Image2->mapToGlobal(at),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QMouseEvent release(QEvent::MouseButtonRelease, at, w.Image2->mapToGlobal(at),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(w.Image2, &press);
            QApplication::sendEvent(w.Image2, &release);
        },
    };
    for (std::size_t i = 0; i < closers.size(); ++i) {
        auto w = open();
        ASSERT_TRUE(w->isVisible());
        closers[i](*w);
        EXPECT_FALSE(w->isVisible()) << "closer " << i;
    }
}

TEST_F(UpdateWindowTest, FetchThatFailsThenSucceedsReachesTheServerList) {
    publish({{"first", files_url()}, {"second", "http://127.0.0.1:1/"}}, {}, {500});
    auto w = open();
    boxes_.expect(QStringLiteral("获得升级配置文件出错！"), Answer::ok);
    w->fetch_button->click();
    EXPECT_EQ(w->Notebook1->currentIndex(), 2);
    EXPECT_FALSE(w->choose_button->isEnabled());
    EXPECT_EQ(w->ListBox1->count(), 0);

    w->fetch_button->click();
    EXPECT_EQ(w->Notebook1->currentIndex(), 0);
    EXPECT_TRUE(w->choose_button->isEnabled());
    ASSERT_EQ(w->ListBox1->count(), 2);
    EXPECT_EQ(w->ListBox1->item(0)->text(), QStringLiteral("first"));
    EXPECT_EQ(w->ListBox1->item(1)->text(), QStringLiteral("second"));
    std::lock_guard lock(config_mutex_);
    EXPECT_EQ(read_all(staging() + QStringLiteral("update.ini")).toStdString(), config_ + "\n");
    EXPECT_EQ(read_all(staging() + QStringLiteral("update.ini.sig")).toStdString(), signature_);
}

TEST_F(UpdateWindowTest, FailedConnectionTestStillLetsTheConfigurationBeFetched) {
    publish({{"main", files_url()}}, {});
    qputenv("ORVALIN_VENDOR_HOST", "127.0.0.1:1");
    auto w = open();
    ASSERT_TRUE(w->Image3->isVisible());
    qputenv("ORVALIN_VENDOR_HOST", QByteArray::fromStdString(server_.host()));
    w->fetch_button->click();
    EXPECT_EQ(w->Notebook1->currentIndex(), 0);
    EXPECT_EQ(w->ListBox1->count(), 1);
}

// Someone between the user and the server changes the configuration or its
// signature: nothing is offered, and the window says why.
TEST_F(UpdateWindowTest, AConfigurationWithoutAValidSignatureIsRefused) {
    old_local_file("on1800.dll");
    const std::vector<std::pair<std::string, std::string>> servers = {{"main", files_url()}};
    const std::vector<Offered> files = {{"on1800", "new pictures"}};
    const std::string text = config_text(servers, files);
    const std::string evil = config_text({{"main", "http://evil.example/"}}, files);
    const SigningKey other;
    const QString unsigned_text = QStringLiteral("升级配置文件没有签名，不能升级！");
    const QString bad = QStringLiteral("升级配置文件的签名不对，不能升级！");
    struct Case {
        const char* what;
        std::string config;
        std::string signature;
        int signature_status;
        QString message;
    } const cases[] = {
        {"no signature published", text, "", 404, unsigned_text},
        {"empty signature", text, "", 200, unsigned_text},
        {"garbage signature", text, "this is not a signature\n", 200, bad},
        {"huge signature", text, std::string(100000, 'A'), 200, bad},
        {"signature by another key", text, other.sign(text), 200, bad},
        {"configuration changed after signing", evil, key_.sign(text), 200, bad},
        {"one line added", text + "[server]\r\nx=http://evil/\r\n", key_.sign(text), 200, bad},
        {"signature of another configuration", text, key_.sign(evil), 200, bad},
    };
    for (const auto& c : cases) {
        publish_text(c.config, c.signature, c.signature_status);
        refused_on_fetch(c.message, c.what);
        EXPECT_FALSE(QFile::exists(staging() + QStringLiteral("update.ini"))) << c.what;
    }
    // The same configuration, rightly signed, passes.
    publish(servers, files);
    auto w = on_server_page();
    EXPECT_EQ(w->ListBox1->count(), 1);
}

// Signed, but naming code or a path: refused as a whole, whatever else it offers.
TEST_F(UpdateWindowTest, AConfigurationNamingCodeOrAPathIsRefused) {
    old_local_file("on1800.dll");
    old_local_file("quendrix.dll");
    const Offered pictures{"on1800", "new pictures"};
    struct Case {
        const char* what;
        std::vector<Offered> files;
        std::string extra;  // raw text after the signed hashes
        QString message;
    } const cases[] = {
        {"fallback converter",
         {pictures, {"quendrix", "code"}},
         "",
         QStringLiteral("“quendrix.dll”不是数据文件，程序文件不能在线升级！")},
        {"device library",
         {{"libvorkel.so", "code"}, pictures},
         "",
         QStringLiteral("“libvorkel.so.dll”不是数据文件，程序文件不能在线升级！")},
        {"path parts",
         {pictures, {"../on1800", "x"}},
         "",
         QStringLiteral("升级配置文件中的文件名“../on1800”不能使用，不能升级！")},
        {"absolute path",
         {{"/usr/lib/orvalin/QZ01.csl", "x"}},
         "",
         QStringLiteral("升级配置文件中的文件名“/usr/lib/orvalin/QZ01.csl”不能使用，不能升级！")},
        {"no signed hash",
         {pictures},
         "[tq58]\r\n9=QZ01.csl|2024-05-01 12:00:00|5\r\n",
         QStringLiteral("升级配置文件缺少“QZ01.csl”的校验值，不能升级！")},
    };
    for (const auto& c : cases) {
        const std::string text = config_text({{"main", files_url()}}, c.files) + c.extra;
        publish_text(text, key_.sign(text));
        refused_on_fetch(c.message, c.what);
    }
}

// Someone on the network replays an old signed configuration, or the server
// withholds updates by serving one that has run out: each refusal says why.
TEST_F(UpdateWindowTest, StaleOrReplayedConfigurationsAreRefused) {
    const std::vector<std::pair<std::string, std::string>> servers = {{"main", files_url()}};
    const std::string accepted = config_text(servers, {}, release_section(5));
    publish_text(accepted, key_.sign(accepted));
    on_server_page();
    const auto record = read_accepted_release(options_.folders.staging());
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->serial, 5u);
    const QString resign = QStringLiteral("需要服务器重新签名，不能升级！");
    struct Case {
        const char* what;
        std::string release;
        QString message;
    } const cases[] = {
        {"lower serial", release_section(4),
         QStringLiteral(
             "升级配置文件的版本号 4 比已经接受过的 5 旧，可能是重放的旧配置，不能升级！")},
        {"same serial, other bytes", release_section(5, "2999-01-02T00:00:00Z"),
         QStringLiteral("升级配置文件的版本号 5 已经用过，但内容不同，不能升级！")},
        {"expired", release_section(6, "2020-03-01T10:00:00Z"),
         QStringLiteral("升级配置文件已经过期（有效期到 2020-03-01T10:00:00Z），不能升级！")},
        {"made before releases were signed", "",
         QStringLiteral("升级配置文件没有版本号和有效期，") + resign},
        {"serial not a number", "[release]\r\nserial=six\r\nexpires=2999-01-01T00:00:00Z\r\n",
         QStringLiteral("升级配置文件的版本号或有效期格式不对，") + resign},
    };
    for (const auto& c : cases) {
        const std::string text = config_text(servers, {}, c.release);
        publish_text(text, key_.sign(text));
        refused_on_fetch(c.message, c.what);
        EXPECT_EQ(read_accepted_release(options_.folders.staging())->serial, 5u) << c.what;
    }
    // The accepted configuration itself may be fetched again; a higher serial moves
    // the record on.
    publish_text(accepted, key_.sign(accepted));
    EXPECT_EQ(on_server_page()->ListBox1->count(), 1);
    const std::string next = config_text(servers, {}, release_section(8));
    publish_text(next, key_.sign(next));
    on_server_page();
    EXPECT_EQ(read_accepted_release(options_.folders.staging())->serial, 8u);
}

// A build without a publisher key could accept nothing: it says so and fetches nothing.
TEST_F(UpdateWindowTest, ABuildWithoutAPublisherKeySaysItTakesNoOnlineUpdates) {
    publish({{"main", files_url()}}, {});
    options_.publisher_key.reset();
    auto w = open();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->Notebook1->currentIndex(), 2);
    EXPECT_TRUE(w->labnetlink->text().contains(QStringLiteral("不接受在线升级")));
    EXPECT_TRUE(w->labnetlink->text().contains(QStringLiteral("Serving updates yourself")));
    EXPECT_FALSE(w->fetch_button->isEnabled());
    EXPECT_FALSE(w->Image2->isVisible());
    EXPECT_FALSE(w->Image3->isVisible());
    EXPECT_TRUE(server_.seen().empty());
}

// The last update can be undone from the window; the button shows only when there
// is one to undo.
TEST_F(UpdateWindowTest, TheLastUpdateCanBeUndoneFromTheWindow) {
    EXPECT_FALSE(open()->undo_button->isVisible());
    old_local_file("QZ01.csl");
    const Offered codeinfo{"QZ01.csl", "new code info"};
    serve(codeinfo);
    publish({{"main", files_url()}}, {codeinfo});
    {
        auto w = on_file_page();
        boxes_.expect(kRestart, Answer::ok);
        w->upgrade_button->click();
    }
    const auto folders = InstallFolders::for_program(program_dir_.toStdString(), options_.folders);
    ASSERT_EQ(install_staged_updates(folders, key_.pk).installed,
              std::vector<std::string>{"QZ01.csl"});
    const QString file = program_dir_ + QStringLiteral("QZ01.csl");
    ASSERT_EQ(read_all(file), QByteArray("new code info"));
    auto w = open();
    ASSERT_TRUE(w->undo_button->isVisible());
    EXPECT_EQ(w->undo_button->text(), QStringLiteral("撤销上次升级"));
    boxes_.expect(QStringLiteral("已撤销上次升级，需要重新启动程序才能完成！"), Answer::ok,
                  Buttons::ok, ui::kAppTitle);
    w->undo_button->click();
    EXPECT_EQ(boxes_.pending(), 0u);
    EXPECT_EQ(read_all(file), QByteArray("old version"));
    EXPECT_FALSE(w->undo_button->isVisible());
    EXPECT_FALSE(installed_serial(folders).has_value());
}

// The animation is written only as a new file of this user's: a name planted in
// the runtime folder, a link above all, is never written through.
TEST_F(UpdateWindowTest, APlantedLinkInPlaceOfTheAnimationIsNeverFollowed) {
    const QString victim = dir_.path() + QStringLiteral("/victim");
    {
        QFile f(victim);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    const QString planted =
        dir_.path() +
        QStringLiteral("/run/orvalin-%1-78.swf").arg(QCoreApplication::applicationPid());
    ASSERT_TRUE(QFile::link(victim, planted));
    {
        auto w = open();
        ASSERT_EQ(w->animation_file(), planted);
        EXPECT_TRUE(w->animation()->isValid());
        EXPECT_FALSE(QFileInfo(planted).isSymLink());
        EXPECT_EQ(QFile::permissions(planted) & 0x0777,
                  QFileDevice::ReadUser | QFileDevice::WriteUser);
    }
    EXPECT_EQ(read_all(victim), QByteArray("keep me"));
    EXPECT_FALSE(QFileInfo::exists(planted));
}

// Without a private runtime folder the animation goes into a folder of its own,
// never under a guessable name in /tmp; the folder goes with the window.
TEST_F(UpdateWindowTest, WithoutARuntimeFolderTheAnimationGetsAPrivateFolder) {
    const QString tmp = dir_.path() + QStringLiteral("/tmp");
    ASSERT_TRUE(QDir().mkpath(tmp));
    const QByteArray old_tmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmp.toUtf8());
    options_.folders.runtime.clear();
    QString folder;
    {
        auto w = open();
        const QString swf = w->animation_file();
        folder = QFileInfo(swf).absolutePath();
        EXPECT_TRUE(folder.startsWith(tmp + QStringLiteral("/orvalin-"))) << swf.toStdString();
        EXPECT_EQ(QFile::permissions(folder) & 0x0777,
                  QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
        EXPECT_TRUE(w->animation()->isValid());
    }
    EXPECT_FALSE(QFileInfo::exists(folder));
    qputenv("TMPDIR", old_tmp);
}

TEST_F(UpdateWindowTest, ChosenServerOrTheFirstOneGivesTheBaseUrl) {
    publish({{"first", files_url()}, {"second", "http://127.0.0.1:1/other/"}}, {});
    struct Case {
        int clicked;  // -1: none
        std::string url;
    } cases[] = {{-1, files_url()}, {1, "http://127.0.0.1:1/other/"}, {0, files_url()}};
    for (const auto& c : cases) {
        auto w = on_server_page();
        if (c.clicked >= 0) {
            w->ListBox1->setCurrentRow(c.clicked);
            emit w->ListBox1->itemClicked(w->ListBox1->item(c.clicked));
            EXPECT_TRUE(w->server_chosen());
        }
        w->choose_button->click();
        EXPECT_EQ(w->Notebook1->currentIndex(), 1);
        EXPECT_EQ(w->server_name().toStdString(), c.url);
    }
}

TEST_F(UpdateWindowTest, NoServerSectionLeavesTheListEmptyAndNextIsRefused) {
    old_local_file("on1800.dll");
    publish({}, {{"on1800", "12345"}});
    auto w = on_server_page();
    EXPECT_EQ(w->ListBox1->count(), 0);
    boxes_.expect(QStringLiteral("没有可用的升级服务器！"), Answer::ok, Buttons::ok, ui::kAppTitle);
    w->choose_button->click();
    EXPECT_EQ(w->Notebook1->currentIndex(), 0);
    EXPECT_TRUE(w->update_list().isEmpty());
}

TEST_F(UpdateWindowTest, OnlyPresentOlderFilesAreListed) {
    const LocalSeconds when = *local_time(2024, 5, 1, 12, 0, 0);
    local_file("on1800.dll", when);
    local_file("sn1800.dll", when - 2s);
    local_file("fn1800.dll", when + 60s);
    local_file("QZ01.csl", when - 24h);
    publish({{"main", files_url()}}, {{"on1800", std::string(10, 'o')},
                                      {"sn1800", std::string(20, 's')},
                                      {"dn1800", std::string(30, 'd')},
                                      {"fn1800", std::string(40, 'f')},
                                      {"QZ01.csl", std::string(50, 'q')}});
    auto w = on_file_page();
    EXPECT_EQ(cell(*w, 0, 0), QStringLiteral("软件名称"));
    EXPECT_EQ(cell(*w, 0, 1), QStringLiteral("状态"));
    EXPECT_EQ(w->StringGrid1->rowCount(), 4);  // header, two entries, one empty row
    EXPECT_EQ(cell(*w, 1, 0), QStringLiteral("sn1800"));
    EXPECT_EQ(cell(*w, 1, 1), kWaiting);
    EXPECT_EQ(cell(*w, 2, 0), QStringLiteral("QZ01.csl"));
    EXPECT_EQ(cell(*w, 3, 0), QString());
    EXPECT_EQ(w->update_list(),
              (QStringList{QStringLiteral("sn1800|20"), QStringLiteral("QZ01.csl|50")}));
    EXPECT_TRUE(w->upgrade_button->isEnabled());
    EXPECT_FALSE(w->abort_button->isEnabled());
}

TEST_F(UpdateWindowTest, NothingListedLeavesUpgradeDisabled) {
    local_file("on1800.dll", *local_time(2024, 5, 1, 12, 0, 0));
    publish({{"main", files_url()}}, {{"on1800", "0123456789"}, {"sn1800", "0123456789"}});
    auto w = on_file_page();
    EXPECT_EQ(w->StringGrid1->rowCount(), 2);
    EXPECT_FALSE(w->upgrade_button->isEnabled());
    EXPECT_TRUE(w->update_list().isEmpty());
}

TEST_F(UpdateWindowTest, AbortDuringTheSecondOfThreeDownloadsStagesNothing) {
    for (const char* n : {"on1800.dll", "sn1800.dll", "fn1800.dll"}) old_local_file(n);
    const Offered a{"on1800", std::string(3000, 'a')}, b{"sn1800", std::string(100000, 'b')},
        c{"fn1800", std::string(5000, 'c')};
    serve(a);
    serve(c);
    publish({{"main", files_url()}}, {a, b, c});
    auto w = on_file_page();
    QPushButton* abort_button = w->abort_button;
    server_.serve_stalling("/files/sn1800.dll", 100000, 1000, [abort_button] {
        QMetaObject::invokeMethod(abort_button, "click", Qt::QueuedConnection);
    });
    boxes_.expect(kNothingInstalled + QStringLiteral("“sn1800.dll”下载失败"), Answer::ok,
                  Buttons::ok, ui::kBoxTitle);
    w->upgrade_button->click();
    EXPECT_EQ(cell(*w, 1, 1), kOk);
    EXPECT_EQ(cell(*w, 2, 1), kFailed);
    EXPECT_EQ(cell(*w, 3, 1), kOk);
    EXPECT_EQ(w->upgrade_button->text(), QStringLiteral("完成"));
    EXPECT_FALSE(w->upgrade_button->isEnabled());
    EXPECT_FALSE(w->abort_button->isEnabled());
    EXPECT_EQ(w->ProgressBar1->value(), 0);
    // All or nothing: the two good files are not kept either.
    EXPECT_TRUE(staged().empty());
    EXPECT_TRUE(staged_files().isEmpty()) << staged_files().join(' ').toStdString();
}

TEST_F(UpdateWindowTest, StalledServerFailsThatFileAndTheNextStillComes) {
    options_.http.stall_timeout = 1s;
    old_local_file("on1800.dll");
    old_local_file("sn1800.dll");
    server_.serve_stalling("/files/on1800.dll", 5000, 100);
    const Offered b{"sn1800", "bbbb"};
    serve(b);
    publish({{"main", files_url()}}, {{"on1800", std::string(5000, 'x')}, b});
    auto w = on_file_page();
    boxes_.expect(kNothingInstalled + QStringLiteral("“on1800.dll”下载失败"), Answer::ok);
    w->upgrade_button->click();
    EXPECT_EQ(cell(*w, 1, 1), kFailed);
    EXPECT_EQ(cell(*w, 2, 1), kOk);
    EXPECT_TRUE(staged().empty());
}

// Only the signed bytes pass: a file of another size or content fails, and then
// nothing of the update is installed.
TEST_F(UpdateWindowTest, DownloadsMustMatchTheSignedHashAndSize) {
    const std::string body(10, 'x');
    struct Case {
        const char* name;
        std::vector<std::string> serve;  // per file: "ok", "404", "long", "short", "other"
        std::vector<QString> rows;
        QString reasons;  // empty: the update is staged
    } cases[] = {
        {"all good", {"ok", "ok"}, {kOk, kOk}, {}},
        {"404 among good", {"ok", "404"}, {kOk, kFailed}, QStringLiteral("“sn1800.dll”下载失败")},
        {"body longer than signed", {"long"}, {kFailed}, QStringLiteral("“on1800.dll”下载失败")},
        {"body shorter than signed",
         {"short", "ok"},
         {kFailed, kOk},
         QStringLiteral("“on1800.dll”的大小与签名的不符")},
        {"same size, other bytes",
         {"ok", "other"},
         {kOk, kFailed},
         QStringLiteral("“sn1800.dll”的内容与签名的校验值不符")},
        {"two failures",
         {"other", "404"},
         {kFailed, kFailed},
         QStringLiteral("“on1800.dll”的内容与签名的校验值不符\r\n“sn1800.dll”下载失败")},
    };
    const char* names[] = {"on1800", "sn1800"};
    int round = 0;
    for (const auto& c : cases) {
        const std::string dir = "/r" + std::to_string(round++) + "/";
        std::vector<Offered> offered;
        for (std::size_t i = 0; i < c.serve.size(); ++i) {
            const Offered f{names[i], body};
            old_local_file(f.file());
            const std::string path = dir + f.file();
            if (c.serve[i] == "ok") server_.serve(path, body);
            if (c.serve[i] == "404") server_.serve(path, "not here", 404);
            if (c.serve[i] == "long") server_.serve(path, body + "and more");
            if (c.serve[i] == "short") server_.serve(path, "xx");
            if (c.serve[i] == "other") server_.serve(path, std::string(10, 'y'));
            offered.push_back(f);
        }
        publish({{"main", server_.url(dir)}}, offered);
        auto w = on_file_page();
        if (c.reasons.isEmpty())
            boxes_.expect(kRestart, Answer::ok, Buttons::ok, ui::kBoxTitle);
        else
            boxes_.expect(kNothingInstalled + c.reasons, Answer::ok, Buttons::ok, ui::kBoxTitle);
        w->upgrade_button->click();
        for (std::size_t i = 0; i < c.rows.size(); ++i)
            EXPECT_EQ(cell(*w, static_cast<int>(i) + 1, 1), c.rows[i]) << c.name << " row " << i;
        EXPECT_EQ(boxes_.pending(), 0u) << c.name;
        if (c.reasons.isEmpty()) {
            EXPECT_EQ(staged().size(), c.serve.size()) << c.name;
        } else {
            EXPECT_TRUE(staged().empty()) << c.name;
            EXPECT_TRUE(staged_files().isEmpty()) << c.name;
        }
        // Whatever was staged is exactly the signed bytes.
        for (const auto& file : staged())
            EXPECT_EQ(read_all(staging() + QString::fromStdString(file)).toStdString(), body);
        QDir(staging()).removeRecursively();
    }
}

TEST_F(UpdateWindowTest, ProgressMaximumFollowsTheAnnouncedLength) {
    struct Case {
        bool chunked;
        int maximum;
    } cases[] = {{true, 0}, {false, 2500}};
    int round = 0;
    for (const auto& c : cases) {
        const std::string dir = "/p" + std::to_string(round++) + "/";
        old_local_file("on1800.dll");
        const Offered f{"on1800", std::string(2500, 'p')};
        if (c.chunked)
            server_.serve_chunked(dir + f.file(), f.content);
        else
            server_.serve(dir + f.file(), f.content);
        publish({{"main", server_.url(dir)}}, {f});
        auto w = on_file_page();
        boxes_.expect(kRestart, Answer::ok);
        w->upgrade_button->click();
        EXPECT_EQ(cell(*w, 1, 1), kOk);
        EXPECT_EQ(w->ProgressBar1->maximum(), c.maximum) << (c.chunked ? "chunked" : "length");
    }
}

// An installed program: the window writes nothing into the program folder, and
// after the next start the program opens the new files (through the user's overlay
// when it may not write into its folder).
TEST_F(UpdateWindowTest, AVerifiedUpdateIsInstalledAtTheNextStartAndUsed) {
    old_local_file("on1800.dll");
    old_local_file("QZ01.csl");
    const Offered pictures{"on1800", "new pictures"}, codeinfo{"QZ01.csl", "new code info"};
    serve(pictures);
    serve(codeinfo);
    publish({{"main", files_url()}}, {pictures, codeinfo});
    const QStringList program_files = folder_listing(program_dir_);
    ASSERT_TRUE(
        QFile::setPermissions(program_dir_, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    {
        auto w = on_file_page();
        boxes_.expect(kRestart, Answer::ok);
        w->upgrade_button->click();
    }
    // The running program keeps its old files until the next start.
    EXPECT_EQ(folder_listing(program_dir_), program_files);
    EXPECT_EQ(read_all(program_dir_ + "on1800.dll"), QByteArray("old version"));
    const auto report = install_staged_updates(
        InstallFolders::for_program(program_dir_.toStdString(), options_.folders), key_.pk);
    EXPECT_EQ(report.installed, (std::vector<std::string>{"on1800.dll", "QZ01.csl"}));
    const std::filesystem::path overlay = options_.folders.overlay();
    for (const auto& f : {pictures, codeinfo})
        EXPECT_EQ(
            read_all(QString::fromStdString(
                         data_file(program_dir_.toStdString(), f.file(), overlay, 0).string()))
                .toStdString(),
            f.content);
    EXPECT_TRUE(staged().empty());
}

TEST_F(UpdateWindowTest, ClosingDuringADownloadEndsItAndTheRun) {
    old_local_file("on1800.dll");
    old_local_file("sn1800.dll");
    const Offered b{"sn1800", "bbbb"};
    serve(b);
    publish({{"main", files_url()}}, {{"on1800", std::string(5000, 'a')}, b});
    auto w = on_file_page();
    QPushButton* exit_button = w->files_exit_button;
    server_.serve_stalling("/files/on1800.dll", 5000, 100, [exit_button] {
        QMetaObject::invokeMethod(exit_button, "click", Qt::QueuedConnection);
    });
    w->upgrade_button->click();  // returns once the transfer has ended
    EXPECT_FALSE(w->isVisible());
    for (const auto& seen : server_.seen()) EXPECT_NE(seen.path, "/files/sn1800.dll");
    EXPECT_TRUE(staged().empty());
}

// A publisher makes a key pair and signs with scripts/make-update-ini.sh; a static
// web server serves the folder as it is; the window built with that public key
// takes the update from start to end.
TEST_F(UpdateWindowTest, ConfigurationMadeByTheScriptWorksEndToEnd) {
    QTemporaryDir site, keys;
    ASSERT_TRUE(site.isValid() && keys.isValid());
    const QString folder = site.path() + QStringLiteral("/orvalin");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char* file : {"on1800.dll", "QZ01.csl", "quendrix.dll"}) {
        QFile f(folder + QLatin1Char('/') + QLatin1String(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the newest ");
        f.write(file);
    }
    old_local_file("on1800.dll");
    old_local_file("QZ01.csl");
    const std::string script = "'" ORVALIN_SCRIPTS_DIR "/make-update-ini.sh'";
    const std::string env = "ORVALIN_UPDATE_SIGN='" ORVALIN_UPDATE_SIGN "' ";
    const std::string secret = keys.path().toStdString() + "/publisher.key";
    // The key pair: the secret key file, and the public key on standard output.
    FILE* out = popen((env + script + " -g '" + secret + "'").c_str(), "r");
    ASSERT_NE(out, nullptr);
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, out) != nullptr;
    ASSERT_EQ(pclose(out), 0);
    ASSERT_TRUE(read);
    const auto key = parse_public_key(line);
    ASSERT_TRUE(key.has_value()) << line;
    options_.publisher_key = *key;
    // The secret key is the publisher's alone, and never overwritten.
    const QString secret_file = QString::fromStdString(secret);
    EXPECT_EQ(QFile::permissions(secret_file) & 0x0777,
              QFileDevice::ReadUser | QFileDevice::WriteUser);
    const QByteArray secret_bytes = read_all(secret_file);
    EXPECT_NE(std::system((env + script + " -g '" + secret + "' >/dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(read_all(secret_file), secret_bytes);

    const auto sign = [&](const std::string& options) {
        const std::string command = env + script + " --name main --key '" + secret + "' " +
                                    options + " '" + folder.toStdString() + "' " +
                                    server_.url("/orvalin/") + " 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << options;
        std::lock_guard lock(config_mutex_);
        config_ = read_all(folder + QStringLiteral("/update.ini")).toStdString();
        signature_ = read_all(folder + QStringLiteral("/update.ini.sig")).toStdString();
    };
    sign("--serial 41 -d 2");
    // Code in the folder is left out of the configuration.
    EXPECT_EQ(config_.find("quendrix"), std::string::npos);
    // The release: the serial given, valid for two days from now.
    const auto release = parse_release(parse_update_config(config_));
    ASSERT_TRUE(release.has_value()) << config_;
    EXPECT_EQ(release->serial, 41u);
    const auto in_two_days = std::chrono::system_clock::now() + 48h;
    EXPECT_LT(std::chrono::abs(release->expires - in_two_days), 5min);
    server_.raw().set_mount_point("/orvalin", folder.toStdString());
    auto w = on_file_page();
    ASSERT_EQ(w->update_list(),
              (QStringList{QStringLiteral("QZ01.csl|19"), QStringLiteral("on1800|21")}));
    boxes_.expect(kRestart, Answer::ok);
    w->upgrade_button->click();
    EXPECT_EQ(cell(*w, 1, 1), kOk);
    EXPECT_EQ(cell(*w, 2, 1), kOk);
    EXPECT_EQ(staged(), (std::vector<std::string>{"QZ01.csl", "on1800.dll"}));
    // Signed again under a lower serial: refused as an old configuration.
    sign("-s 40");
    auto again = open();
    boxes_.expect(
        QStringLiteral(
            "升级配置文件的版本号 40 比已经接受过的 41 旧，可能是重放的旧配置，不能升级！"),
        Answer::ok);
    again->fetch_button->click();
    EXPECT_EQ(again->Notebook1->currentIndex(), 2);
    // Bad input is refused with status 2, and nothing is written.
    for (const char* bad : {"--serial x", "--valid-days 0", "--colour red"})
        EXPECT_EQ(WEXITSTATUS(std::system((env + script + " --key '" + secret + "' " + bad + " '" +
                                           folder.toStdString() + "' http://h/ 2>/dev/null")
                                              .c_str())),
                  2)
            << bad;
}

TEST_F(UpdateWindowTest, TheProgramsOwnPicturesAreShown) {
    const QString bundle = program_dir_ + QStringLiteral("voredirav44.dll");
    ASSERT_TRUE(QFile::remove(bundle));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVALIN_PROGRAM_DIR "/voredirav44.dll"), bundle));
    auto w = open();
    ASSERT_TRUE(w->animation() != nullptr);
    EXPECT_TRUE(w->animation()->isValid());
    EXPECT_GE(w->animation()->frameCount(), 2);
    for (const QLabel* picture :
         {static_cast<QLabel*>(w->Image1), static_cast<QLabel*>(w->Image2), w->Image3})
        EXPECT_FALSE(picture->pixmap().isNull()) << picture->objectName().toStdString();
}

}  // namespace
}  // namespace orvalin::update

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
