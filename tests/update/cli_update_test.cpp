// orvalin-cli update against a local HTTP server with a publisher key made for
// the test, and the real orvalin-cli taking its data files through the overlay.
#include <gtest/gtest.h>
#include <sodium.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "cli/update_command.h"
#include "tests/update/file_times.h"
#include "tests/update/local_http_server.h"
#include "tests/update/test_files.h"
#include "tests/update/test_publisher_key.h"
#include "tests/update/unprivileged.h"
#include "update/digest.h"
#include "update/local_time.h"
#include "update/release.h"
#include "update/staged_install.h"

namespace orvalin::cli {
namespace {

namespace fs = std::filesystem;
using update::testing::LocalHttpServer;

using update::testing::read_file;
using update::testing::write_file;

struct Outcome {
    int status = -1;
    std::string out, err;
};

class CliUpdateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "orvalin-cli-update-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
        setup_.key = key_.pk;
        setup_.folders.data = root_ / "data";
        setup_.program_dir = root_ / "program";
        setup_.package_serial = 0;
        setup_.http.stall_timeout = std::chrono::seconds(30);
        fs::create_directories(setup_.program_dir);
        setenv("ORVALIN_VENDOR_HOST", server_.host().c_str(), 1);
        server_.raw().Get("/orvalin/update.ini",
                          [this](const httplib::Request&, httplib::Response& res) {
                              res.set_content(config_, "text/plain");
                          });
        server_.raw().Get("/orvalin/update.ini.sig",
                          [this](const httplib::Request&, httplib::Response& res) {
                              res.set_content(signature_, "text/plain");
                          });
    }
    void TearDown() override {
        unsetenv("ORVALIN_VENDOR_HOST");
        fs::permissions(setup_.program_dir, fs::perms::owner_all, fs::perm_options::add);
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    std::string sign(const std::string& text) const { return key_.sign(text); }
    // Publishes a signed configuration offering the files (served as given unless
    // served says otherwise) under the release serial.
    void publish(const std::vector<std::pair<std::string, std::string>>& files,
                 std::uint64_t serial, const std::string& expires = "2999-01-01T00:00:00Z",
                 const std::string& served_instead = "") {
        const std::string dir = "/files/" + std::to_string(serial) + "/";
        std::string text = "[server]\r\nmain=" + server_.url(dir) +
                           "\r\n[release]\r\nserial=" + std::to_string(serial) +
                           "\r\nexpires=" + expires + "\r\n[tq58]\r\n";
        int n = 0;
        for (const auto& [file, data] : files)
            text += std::to_string(++n) + "=" +
                    (file.ends_with(".dll") ? file.substr(0, file.size() - 4) : file) +
                    "|2024-05-01 12:00:00|" + std::to_string(data.size()) + "\r\n";
        text += "[sha256]\r\n";
        for (const auto& [file, data] : files) {
            text +=
                file + "=" + update::sha256_hex(data) + "|" + std::to_string(data.size()) + "\r\n";
            // Each release in a folder of its own: a path is served as first given.
            server_.serve(dir + file, served_instead.empty() ? data : served_instead);
        }
        config_ = text;
        signature_ = sign(text);
    }
    // A program folder copy older than the configuration's date.
    void old_program_file(const std::string& file, const std::string& data = "old version") {
        write_file(setup_.program_dir / file, data);
        update::testing::set_local_mtime((setup_.program_dir / file).string(),
                                         *update::local_time(2024, 4, 1));
    }
    Outcome run(const std::vector<std::string>& args) {
        std::istringstream in;
        std::ostringstream out, err;
        Outcome r;
        r.status = run_update_with(args, {in, out, err}, setup_);
        r.out = out.str();
        r.err = err.str();
        return r;
    }
    static QJsonObject json(const std::string& text) {
        QJsonParseError e{};
        const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &e);
        EXPECT_EQ(e.error, QJsonParseError::NoError) << text;
        return doc.object();
    }

    LocalHttpServer server_;
    update::testing::TestPublisherKey key_;
    fs::path root_;
    UpdateSetup setup_;
    std::string config_, signature_;
};

TEST_F(CliUpdateTest, CheckPrintsWhatTheServerOffers) {
    old_program_file("QZ01.csl");
    write_file(setup_.program_dir / "on1800.dll", "up to date");  // dated now: newer
    publish({{"QZ01.csl", "new code info"}, {"on1800.dll", "new pictures"}}, 12);
    const Outcome text = run({"check"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("release: 12 (valid until 2999-01-01T00:00:00Z)"), std::string::npos)
        << text.out;
    EXPECT_NE(
        text.out.find("file: QZ01.csl 13 bytes, 2024-05-01 12:00:00: newer than the copy in use"),
        std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("file: on1800.dll 12 bytes, 2024-05-01 12:00:00: not offered here"),
              std::string::npos)
        << text.out;
    const Outcome j = run({"check", "--json"});
    ASSERT_EQ(j.status, 0) << j.err;
    const QJsonObject o = json(j.out);
    EXPECT_EQ(o["release"].toObject()["serial"].toInt(), 12);
    const QJsonArray files = o["files"].toArray();
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(files[0].toObject()["file"].toString(), QStringLiteral("QZ01.csl"));
    EXPECT_TRUE(files[0].toObject()["newer"].toBool());
    EXPECT_FALSE(files[1].toObject()["newer"].toBool());
    EXPECT_EQ(o["servers"].toArray()[0].toObject()["name"].toString(), QStringLiteral("main"));
    // Checking installs nothing.
    EXPECT_EQ(read_file(setup_.program_dir / "QZ01.csl"), "old version");
}

TEST_F(CliUpdateTest, InstallStatusAndRollback) {
    old_program_file("QZ01.csl");
    old_program_file("sn1800.dll");
    publish({{"QZ01.csl", "new code info"}, {"sn1800.dll", "new pictures"}}, 20);
    const Outcome installed = run({"install"});
    ASSERT_EQ(installed.status, 0) << installed.err;
    EXPECT_NE(installed.out.find("installed release 20"), std::string::npos) << installed.out;
    EXPECT_EQ(read_file(setup_.program_dir / "QZ01.csl"), "new code info");
    EXPECT_EQ(read_file(setup_.program_dir / "sn1800.dll"), "new pictures");
    // Nothing newer the second time.
    const Outcome again = run({"install"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("up to date"), std::string::npos) << again.out;

    const QJsonObject s = json(run({"status", "--json"}).out);
    EXPECT_EQ(s["installed_serial"].toInt(), 20);
    EXPECT_EQ(s["accepted_serial"].toInt(), 20);
    EXPECT_TRUE(s["rollback"].toBool());
    bool seen = false;
    for (const auto v : s["files"].toArray()) {
        const auto f = v.toObject();
        if (f["file"].toString() != QStringLiteral("QZ01.csl")) continue;
        seen = true;
        EXPECT_EQ(f["from"].toString(), QStringLiteral("program folder"));
        EXPECT_EQ(f["path"].toString().toStdString(), (setup_.program_dir / "QZ01.csl").string());
    }
    EXPECT_TRUE(seen);
    const Outcome text = run({"status"});
    EXPECT_NE(text.out.find("installed release: 20"), std::string::npos) << text.out;

    const Outcome back = run({"rollback"});
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(read_file(setup_.program_dir / "QZ01.csl"), "old version");
    EXPECT_EQ(read_file(setup_.program_dir / "sn1800.dll"), "old version");
    EXPECT_NE(run({"status"}).out.find("installed release: none"), std::string::npos);
    const Outcome none = run({"rollback"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("no update to roll back"), std::string::npos) << none.err;
}

// A program folder the user may not write: the update goes into the overlay, and
// status names the overlay's copy as the one in use.
TEST_F(CliUpdateTest, AReadOnlyProgramFolderIsUpdatedThroughTheOverlay) {
    old_program_file("QZ01.csl");
    publish({{"QZ01.csl", "new code info"}}, 30);
    fs::permissions(setup_.program_dir, fs::perms::owner_read | fs::perms::owner_exec);
    const std::string in_use =
        "QZ01.csl: overlay " + (setup_.folders.overlay() / "QZ01.csl").string();
    EXPECT_TRUE(update::testing::as_ordinary_user(root_, [&] {
        return run({"install"}).status == 0 &&
               read_file(setup_.folders.overlay() / "QZ01.csl") == "new code info" &&
               run({"status"}).out.find(in_use) != std::string::npos;
    }));
    EXPECT_EQ(read_file(setup_.program_dir / "QZ01.csl"), "old version");
}

TEST_F(CliUpdateTest, RefusalsAndBadInput) {
    old_program_file("QZ01.csl");
    publish({{"QZ01.csl", "new code info"}}, 40);
    ASSERT_EQ(run({"check"}).status, 0);
    ASSERT_EQ(run({"install"}).status, 0);  // release 40 accepted
    old_program_file("QZ01.csl", "rolled back by hand");
    struct Case {
        const char* what;
        std::function<void()> prepare;
        int status;
        const char* said;
    } const cases[] = {
        {"lower serial",
         [&] {
             publish({{"QZ01.csl", "older code info"}}, 39);
         },
         1, "older than the release 40"},
        {"same serial, other contents",
         [&] {
             publish({{"QZ01.csl", "other code info"}}, 40);
         },
         1, "accepted before with other contents"},
        {"expired",
         [&] {
             publish({{"QZ01.csl", "code info"}}, 41, "2001-01-01T00:00:00Z");
         },
         1, "expired at 2001-01-01T00:00:00Z"},
        {"no release section",
         [&] {
             publish({{"QZ01.csl", "code info"}}, 42);
             config_.replace(config_.find("[release]"), 9, "[other]");
             signature_ = sign(config_);
         },
         1, "the server must sign it again"},
        {"wrong key",
         [&] {
             publish({{"QZ01.csl", "code info"}}, 43);
             setup_.key = update::testing::TestPublisherKey().pk;
         },
         1, "not valid for this build's publisher key"},
        {"served file is not the signed one",
         [&] {
             setup_.key = key_.pk;
             publish({{"QZ01.csl", "code info"}}, 44, "2999-01-01T00:00:00Z", "evil code");
         },
         1, "its contents differ from the signed hash"},
        {"no key built in", [&] { setup_.key.reset(); }, 1, "this build takes no online updates"},
    };
    for (const auto& c : cases) {
        c.prepare();
        const Outcome r = run({"install"});
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(read_file(setup_.program_dir / "QZ01.csl"), "rolled back by hand") << c.what;
    }
    setup_.key = key_.pk;
    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"upgrade"},
                                                                  {"check", "--colour"},
                                                                  {"status", "extra"},
                                                                  {"install", "--server"},
                                                                  {"rollback", "--json"}})
        EXPECT_EQ(run(args).status, 2) << (args.empty() ? "" : args.front());
    EXPECT_EQ(run({"--help"}).status, 0);
    EXPECT_NE(run({"install", "--help"}).out.find("usage: orvalin-cli update"), std::string::npos);
    publish({{"QZ01.csl", "code info"}}, 45);
    EXPECT_EQ(run({"install", "--server", "nobody"}).status, 2);
}

// The real program, installed into a folder of its own: it analyses with the
// code-info file the lookup gives, the overlay's where the program folder has none.
TEST(CliDataFiles, AnalyseTakesTheCodeInfoFileThroughTheLookup) {
    std::string pattern = (fs::temp_directory_path() / "orvalin-cli-lookup-XXXXXX").string();
    const fs::path root = mkdtemp(pattern.data());
    const fs::path program = root / "program";
    const fs::path overlay = root / "data" / "orvalin" / "overlay";
    fs::create_directories(program);
    fs::create_directories(overlay);
    for (const char* f : {"orvalin-cli", "libvorkel.so", "quendrix.dll"})
        fs::copy_file(fs::path(ORVALIN_PROGRAM_DIR) / f, program / f);
    const std::string signal = ORVALIN_TEST_DATA_DIR "/cli/nec1_press.mode2";
    const auto analyse = [&] {
        const std::string command = "XDG_DATA_HOME='" + (root / "data").string() + "' '" +
                                    (program / "orvalin-cli").string() + "' analyse '" + signal +
                                    "' >'" + (root / "out").string() + "' 2>&1";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    EXPECT_NE(analyse(), 0) << read_file(root / "out");  // no code-info file anywhere
    fs::copy_file(fs::path(ORVALIN_PROGRAM_DIR) / "QZ01.csl", overlay / "QZ01.csl");
    EXPECT_EQ(analyse(), 0) << read_file(root / "out");
    EXPECT_NE(read_file(root / "out").find("type: "), std::string::npos);
    EXPECT_EQ(read_file(root / "out").find("type: none"), std::string::npos)
        << read_file(root / "out");
    std::error_code ec;
    fs::remove_all(root, ec);
}

}  // namespace
}  // namespace orvalin::cli
