// The update window on the offscreen platform, against a local HTTP server, with
// scripted message boxes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMouseEvent>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>

#include "tests/app/scripted_prompter.h"
#include "tests/update/file_times.h"
#include "tests/update/local_http_server.h"
#include "update/civil_time.h"
#include "update/clickable_picture.h"
#include "update/staged_install.h"
#include "update/staged_manifest.h"
#include "update/update_window_impl.h"

namespace orvalin::update {
namespace {

using app::testing::ScriptedPrompter;
using testing::LocalHttpServer;
using ui::Answer;
using ui::Buttons;
using namespace std::chrono_literals;

const QString kRestart = QStringLiteral("需要重新启动程序，升级才能完成！");
const QString kOk = QStringLiteral("升级成功");
const QString kFailed = QStringLiteral("升级失败");
const QString kWaiting = QStringLiteral("未升级");
const char* const kDate = "2024-05-01 12:00:00";

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

class UpdateWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        program_dir_ = dir_.path() + QStringLiteral("/");
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
        options_.connected_linger = 0ms;
        options_.http.stall_timeout = 30s;
    }
    void TearDown() override { qunsetenv("ORVALIN_VENDOR_HOST"); }

    // The configuration the server publishes: servers in order, then tq58 lines.
    void publish(const std::vector<std::pair<std::string, std::string>>& servers,
                 const std::vector<std::string>& files, std::vector<int> statuses = {}) {
        std::string text;
        if (!servers.empty()) text += "[server]\r\n";
        for (const auto& [k, v] : servers) text += k + "=" + v + "\r\n";
        text += "[tq58]\r\n";
        int n = 1;
        for (const auto& f : files) text += std::to_string(n++) + "=" + f + "\r\n";
        std::lock_guard lock(config_mutex_);
        config_ = text;
        config_status_ = std::move(statuses);
    }
    std::string files_url() const { return server_.url("/files/"); }
    std::string line(const std::string& name, std::size_t size, const char* date = kDate) {
        return name + "|" + date + "|" + std::to_string(size);
    }

    // A file in the program folder with its time set to a local wall-clock time.
    void local_file(const std::string& name, CivilSeconds civil) {
        const QString path = program_dir_ + QString::fromStdString(name) + ".dll";
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old version");
        f.close();
        testing::set_local_mtime(path.toStdString(), civil);
    }
    void old_local_file(const std::string& name) {
        local_file(name, *civil_seconds(2024, 5, 1, 12, 0, 0) - 86400);
    }

    std::unique_ptr<Tupdate> open() {
        auto w = std::make_unique<Tupdate>(nullptr, program_dir_, net_ok_, options_);
        w->show();
        EXPECT_TRUE(wait_until([&] { return w->connection_test_done() || !w->isVisible(); }));
        return w;
    }
    std::unique_ptr<Tupdate> on_server_page() {
        auto w = open();
        w->Button5->click();
        EXPECT_EQ(w->Notebook1->currentIndex(), 0);
        return w;
    }
    std::unique_ptr<Tupdate> on_file_page() {
        auto w = on_server_page();
        w->Button6->click();
        EXPECT_EQ(w->Notebook1->currentIndex(), 1);
        return w;
    }
    static QString cell(Tupdate& w, int row, int col) {
        const auto* item = w.StringGrid1->item(row, col);
        return item != nullptr ? item->text() : QString();
    }
    std::vector<std::string> staged() const {
        std::vector<std::string> out;
        for (const auto& e : read_manifest((program_dir_ + "update").toStdString()))
            out.push_back(e.file);
        return out;
    }

    LocalHttpServer server_;
    QTemporaryDir dir_;
    QString program_dir_;
    bool net_ok_ = true;
    UpdateWindowOptions options_;
    ScriptedPrompter boxes_;
    std::mutex config_mutex_;
    std::string config_;
    std::vector<int> config_status_;
};

TEST_F(UpdateWindowTest, ConnectionTestShowsItsOutcomeAndAlwaysEnablesNext) {
    struct Case {
        bool reachable;
        const char* label;
    } cases[] = {{true, "连接服务器成功！"}, {false, "连接服务器失败！"}};
    for (const auto& c : cases) {
        if (!c.reachable) qputenv("ORVALIN_VENDOR_HOST", "127.0.0.1:1");
        net_ok_ = true;
        auto w = std::make_unique<Tupdate>(nullptr, program_dir_, net_ok_, options_);
        EXPECT_FALSE(net_ok_);  // cleared when the window is created
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
        EXPECT_TRUE(w->Button5->isEnabled());
        EXPECT_FALSE(net_ok_);
    }
}

TEST_F(UpdateWindowTest, AnimationIsExtractedAgainAtEveryOpening) {
    const QByteArray gif = read_all(QStringLiteral(ORVALIN_TEST_DATA_DIR "/update/linkflash.gif"));
    ASSERT_FALSE(gif.isEmpty());
    const QString swf = program_dir_ + QStringLiteral("78.swf");
    for (int opening = 0; opening < 2; ++opening) {
        {
            QFile stale(swf);
            ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
            stale.write("stale animation from an older run");
        }
        auto w = open();
        EXPECT_EQ(read_all(swf), gif) << "opening " << opening;
        EXPECT_TRUE(w->animation()->isValid());
        EXPECT_GE(w->animation()->frameCount(), 2);
    }
}

TEST_F(UpdateWindowTest, MissingAnimationFailsAndCloses) {
    ASSERT_TRUE(QFile::remove(program_dir_ + QStringLiteral("voredirav44.dll")));
    boxes_.expect(QStringLiteral("升级失败！"), Answer::ok);
    auto w = std::make_unique<Tupdate>(nullptr, program_dir_, net_ok_, options_);
    w->show();
    EXPECT_TRUE(wait_until([&] { return !w->isVisible(); }));
}

TEST_F(UpdateWindowTest, EveryExitAndTheSuccessPictureClose) {
    const std::vector<std::function<void(Tupdate&)>> closers = {
        [](Tupdate& w) { w.Button7->click(); },
        [](Tupdate& w) { w.Button8->click(); },
        [](Tupdate& w) { w.Button4->click(); },
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
    w->Button5->click();
    EXPECT_EQ(w->Notebook1->currentIndex(), 2);
    EXPECT_FALSE(w->Button6->isEnabled());
    EXPECT_EQ(w->ListBox1->count(), 0);

    w->Button5->click();
    EXPECT_EQ(w->Notebook1->currentIndex(), 0);
    EXPECT_TRUE(w->Button6->isEnabled());
    ASSERT_EQ(w->ListBox1->count(), 2);
    EXPECT_EQ(w->ListBox1->item(0)->text(), QStringLiteral("first"));
    EXPECT_EQ(w->ListBox1->item(1)->text(), QStringLiteral("second"));
    std::lock_guard lock(config_mutex_);
    EXPECT_EQ(read_all(program_dir_ + QStringLiteral("update/update.ini")).toStdString(),
              config_ + "\n");
}

TEST_F(UpdateWindowTest, FailedConnectionTestStillLetsTheConfigurationBeFetched) {
    publish({{"main", files_url()}}, {});
    qputenv("ORVALIN_VENDOR_HOST", "127.0.0.1:1");
    auto w = open();
    ASSERT_TRUE(w->Image3->isVisible());
    qputenv("ORVALIN_VENDOR_HOST", QByteArray::fromStdString(server_.host()));
    w->Button5->click();
    EXPECT_EQ(w->Notebook1->currentIndex(), 0);
    EXPECT_EQ(w->ListBox1->count(), 1);
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
        w->Button6->click();
        EXPECT_EQ(w->Notebook1->currentIndex(), 1);
        EXPECT_EQ(w->server_name().toStdString(), c.url);
    }
}

TEST_F(UpdateWindowTest, NoServerSectionLeavesTheListEmptyAndNextIsRefused) {
    old_local_file("a");
    publish({}, {line("a", 5)});
    auto w = on_server_page();
    EXPECT_EQ(w->ListBox1->count(), 0);
    boxes_.expect(QStringLiteral("没有可用的升级服务器！"), Answer::ok, Buttons::ok, ui::kAppTitle);
    w->Button6->click();
    EXPECT_EQ(w->Notebook1->currentIndex(), 0);
    EXPECT_TRUE(w->update_list().isEmpty());
}

TEST_F(UpdateWindowTest, OnlyPresentOlderFilesAreListed) {
    const CivilSeconds when = *civil_seconds(2024, 5, 1, 12, 0, 0);
    local_file("same", when);
    local_file("older", when - 2);
    local_file("newer", when + 60);
    old_local_file("hostile");
    publish({{"main", files_url()}},
            {line("same", 10), line("older", 20), line("absent", 30), line("newer", 40),
             "../hostile|2024-05-01 12:00:00|5", "hostile", "hostile|2024-05-01 12:00:00",
             "hostile|2024-05-01 12:00:00|five", "hostile|next tuesday|5"});
    auto w = on_file_page();
    EXPECT_EQ(cell(*w, 0, 0), QStringLiteral("软件名称"));
    EXPECT_EQ(cell(*w, 0, 1), QStringLiteral("状态"));
    EXPECT_EQ(w->StringGrid1->rowCount(), 3);  // header, one entry, one empty row
    EXPECT_EQ(cell(*w, 1, 0), QStringLiteral("older"));
    EXPECT_EQ(cell(*w, 1, 1), kWaiting);
    EXPECT_EQ(cell(*w, 2, 0), QString());
    EXPECT_EQ(w->update_list(), QStringList{QStringLiteral("older|20")});
    EXPECT_TRUE(w->Button2->isEnabled());
    EXPECT_FALSE(w->Button3->isEnabled());
}

TEST_F(UpdateWindowTest, NothingListedLeavesUpgradeDisabled) {
    local_file("same", *civil_seconds(2024, 5, 1, 12, 0, 0));
    publish({{"main", files_url()}}, {line("same", 10), line("absent", 10)});
    auto w = on_file_page();
    EXPECT_EQ(w->StringGrid1->rowCount(), 2);
    EXPECT_FALSE(w->Button2->isEnabled());
    EXPECT_TRUE(w->update_list().isEmpty());
}

TEST_F(UpdateWindowTest, AbortDuringTheSecondOfThreeDownloads) {
    for (const char* n : {"a", "b", "c"}) old_local_file(n);
    const std::string a(3000, 'a'), c(5000, 'c');
    server_.serve("/files/a.dll", a);
    publish({{"main", files_url()}}, {line("a", a.size()), line("b", 100000), line("c", c.size())});
    server_.serve("/files/c.dll", c);
    auto w = on_file_page();
    QPushButton* abort_button = w->Button3;
    server_.serve_stalling("/files/b.dll", 100000, 1000, [abort_button] {
        QMetaObject::invokeMethod(abort_button, "click", Qt::QueuedConnection);
    });
    boxes_.expect(kRestart, Answer::ok, Buttons::ok, ui::kBoxTitle);
    w->Button2->click();
    EXPECT_EQ(cell(*w, 1, 1), kOk);
    EXPECT_EQ(cell(*w, 2, 1), kFailed);
    EXPECT_EQ(cell(*w, 3, 1), kOk);
    EXPECT_EQ(w->Button2->text(), QStringLiteral("完成"));
    EXPECT_FALSE(w->Button2->isEnabled());
    EXPECT_FALSE(w->Button3->isEnabled());
    EXPECT_EQ(w->ProgressBar1->value(), 0);
    EXPECT_EQ(read_all(program_dir_ + "update/a.dll").toStdString(), a);
    EXPECT_EQ(read_all(program_dir_ + "update/c.dll").toStdString(), c);
    EXPECT_LT(QFileInfo(program_dir_ + "update/b.dll").size(), 100000);
    EXPECT_EQ(staged(), (std::vector<std::string>{"a.dll", "c.dll"}));
}

TEST_F(UpdateWindowTest, StalledServerFailsThatFileAndTheNextStillComes) {
    options_.http.stall_timeout = 1s;
    old_local_file("a");
    old_local_file("b");
    server_.serve_stalling("/files/a.dll", 5000, 100);
    server_.serve("/files/b.dll", "bbbb");
    publish({{"main", files_url()}}, {line("a", 5000), line("b", 4)});
    auto w = on_file_page();
    boxes_.expect(kRestart, Answer::ok);
    w->Button2->click();
    EXPECT_EQ(cell(*w, 1, 1), kFailed);
    EXPECT_EQ(cell(*w, 2, 1), kOk);
    EXPECT_EQ(staged(), std::vector<std::string>{"b.dll"});
}

TEST_F(UpdateWindowTest, FailedDownloadsAreMarkedAndRestartIsAskedOnlyAfterAVerifiedFile) {
    struct Case {
        const char* name;
        std::vector<std::string> serve;  // per file: "ok", "404", "long", "short"
        std::vector<QString> rows;
        bool restart;
    } cases[] = {
        {"404 among good", {"ok", "404"}, {kOk, kFailed}, true},
        {"only 404", {"404"}, {kFailed}, false},
        {"body longer than announced size", {"long"}, {kFailed}, false},
        {"body shorter than announced size", {"short", "ok"}, {kFailed, kOk}, true},
    };
    int round = 0;
    for (const auto& c : cases) {
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < c.serve.size(); ++i) {
            const std::string name = "f" + std::to_string(round) + "_" + std::to_string(i);
            old_local_file(name);
            const std::string path = "/files/" + name + ".dll";
            const std::string body(10, 'x');
            if (c.serve[i] == "ok") server_.serve(path, body);
            if (c.serve[i] == "404") server_.serve(path, "not here", 404);
            if (c.serve[i] == "long") server_.serve(path, body + "and more");
            if (c.serve[i] == "short") server_.serve(path, "xx");
            lines.push_back(line(name, body.size()));
        }
        ++round;
        publish({{"main", files_url()}}, lines);
        auto w = on_file_page();
        if (c.restart) boxes_.expect(kRestart, Answer::ok);
        w->Button2->click();
        for (std::size_t i = 0; i < c.rows.size(); ++i)
            EXPECT_EQ(cell(*w, static_cast<int>(i) + 1, 1), c.rows[i]) << c.name << " row " << i;
        EXPECT_EQ(boxes_.pending(), 0u) << c.name;
        for (const auto& file : staged())
            EXPECT_NE(read_all(program_dir_ + "update/" + QString::fromStdString(file)).size(), 0)
                << c.name;
        // Nothing longer than announced is ever kept.
        for (std::size_t i = 0; i < c.serve.size(); ++i)
            EXPECT_LE(
                QFileInfo(program_dir_ + "update/" +
                          QString::fromStdString(lines[i].substr(0, lines[i].find('|'))) + ".dll")
                    .size(),
                10);
        QDir(program_dir_ + "update").removeRecursively();
    }
}

TEST_F(UpdateWindowTest, ProgressMaximumFollowsTheAnnouncedLength) {
    struct Case {
        bool chunked;
        int maximum;
    } cases[] = {{true, 0}, {false, 2500}};
    int round = 0;
    for (const auto& c : cases) {
        const std::string name = "p" + std::to_string(round++);
        old_local_file(name);
        const std::string body(2500, 'p');
        if (c.chunked)
            server_.serve_chunked("/files/" + name + ".dll", body);
        else
            server_.serve("/files/" + name + ".dll", body);
        publish({{"main", files_url()}}, {line(name, body.size())});
        auto w = on_file_page();
        boxes_.expect(kRestart, Answer::ok);
        w->Button2->click();
        EXPECT_EQ(cell(*w, 1, 1), kOk);
        EXPECT_EQ(w->ProgressBar1->maximum(), c.maximum) << (c.chunked ? "chunked" : "length");
    }
}

TEST_F(UpdateWindowTest, AVerifiedDownloadIsInstalledAtTheNextStart) {
    old_local_file("lib");
    server_.serve("/files/lib.dll", "new library");
    publish({{"main", files_url()}}, {line("lib", 11)});
    auto w = on_file_page();
    boxes_.expect(kRestart, Answer::ok);
    w->Button2->click();
    w.reset();
    // The running program keeps its old file until the next start.
    EXPECT_EQ(read_all(program_dir_ + "lib.dll"), QByteArray("old version"));
    const auto report = install_staged_updates(program_dir_.toStdString());
    EXPECT_EQ(report.installed, std::vector<std::string>{"lib.dll"});
    EXPECT_EQ(read_all(program_dir_ + "lib.dll"), QByteArray("new library"));
    EXPECT_TRUE(staged().empty());
}

TEST_F(UpdateWindowTest, ClosingDuringADownloadEndsItAndTheRun) {
    old_local_file("a");
    old_local_file("b");
    server_.serve("/files/b.dll", "bbbb");
    publish({{"main", files_url()}}, {line("a", 5000), line("b", 4)});
    auto w = on_file_page();
    QPushButton* exit_button = w->Button4;
    server_.serve_stalling("/files/a.dll", 5000, 100, [exit_button] {
        QMetaObject::invokeMethod(exit_button, "click", Qt::QueuedConnection);
    });
    w->Button2->click();  // returns once the transfer has ended
    EXPECT_FALSE(w->isVisible());
    for (const auto& seen : server_.seen()) EXPECT_NE(seen.path, "/files/b.dll");
    EXPECT_TRUE(staged().empty());
}

// What scripts/make-update-ini.sh writes for a folder, served as it is by a static
// web server, is understood by the window from start to end.
TEST_F(UpdateWindowTest, ConfigurationMadeByTheScriptWorksEndToEnd) {
    QTemporaryDir site;
    ASSERT_TRUE(site.isValid());
    const QString folder = site.path() + QStringLiteral("/orvalin");
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        QFile f(folder + QStringLiteral("/lib.dll"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the newest library");
    }
    old_local_file("lib");
    const std::string command =
        std::string("'" ORVALIN_SCRIPTS_DIR "/make-update-ini.sh' -n main '") +
        folder.toStdString() + "' " + server_.url("/orvalin/") + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    {
        std::lock_guard lock(config_mutex_);
        config_ = read_all(folder + QStringLiteral("/update.ini")).toStdString();
    }
    server_.raw().set_mount_point("/orvalin", folder.toStdString());
    auto w = on_file_page();
    ASSERT_EQ(w->update_list(), QStringList{QStringLiteral("lib|18")});
    boxes_.expect(kRestart, Answer::ok);
    w->Button2->click();
    EXPECT_EQ(cell(*w, 1, 1), kOk);
    EXPECT_EQ(staged(), std::vector<std::string>{"lib.dll"});
}

#ifdef ORVALIN_REAL_PICTURES
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
#endif

}  // namespace
}  // namespace orvalin::update

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
