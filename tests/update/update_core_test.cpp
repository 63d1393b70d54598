// Configuration, names, dates, file list, download sink and the verified-file record.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/update/file_times.h"
#include "update/civil_time.h"
#include "update/download_sink.h"
#include "update/file_list.h"
#include "update/sha256.h"
#include "update/staged_install.h"
#include "update/staged_manifest.h"
#include "update/update_config.h"
#include "update/update_names.h"

namespace orvalin::update {
namespace {

namespace fs = std::filesystem;

class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "orvalin-update-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

void write_file(const fs::path& p, const std::string& data) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << data;
}

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(UpdateNames, OnlyPlainBaseNamesPass) {
    struct Case {
        std::string name;
        bool safe;
    } const cases[] = {
        {"vorkel", true},
        {"on1800", true},
        {"lib_v2-1.0", true},
        {"", false},
        {"../orvalin", false},
        {"..", false},
        {"a..b", false},
        {".hidden", false},
        {"sub/file", false},
        {"sub\\file", false},
        {"/etc/passwd", false},
        {"c:evil", false},
        {"name with space", false},
        {"tab\tname", false},
        {"名称", false},
        {std::string(65, 'a'), false},
        {std::string(64, 'a'), true},
    };
    for (const auto& c : cases) EXPECT_EQ(is_safe_base_name(c.name), c.safe) << c.name;
    EXPECT_TRUE(is_safe_file_name("vorkel.dll"));
    EXPECT_FALSE(is_safe_file_name(".dll"));
    EXPECT_FALSE(is_safe_file_name("vorkel.so"));
    EXPECT_FALSE(is_safe_file_name("../x.dll"));
}

TEST(UpdateConfigParse, KeepsFileOrderAndFirstValueOfARepeatedKey) {
    const auto c = parse_update_config(
        "; comment\n"
        "[Server]\n"
        "zeta=http://z.example/u/\n"
        "主服务器=http://a.example/u/\n"
        "alpha=http://b.example/u/\n"
        "ZETA=http://other/\n"
        "[other]\n"
        "x=1\n"
        "[tq58]\n"
        "9=on1800|2024-05-01 12:00:00|1234\n"
        "1=sn1800|2024-05-01 12:00:00|99\n"
        "9=again|2024-05-01 12:00:00|1\n");
    ASSERT_EQ(c.servers.size(), 3u);
    EXPECT_EQ(c.servers[0].first, "zeta");
    EXPECT_EQ(c.servers[1].first, "主服务器");
    EXPECT_EQ(c.servers[2].first, "alpha");
    EXPECT_EQ(c.server_url("Zeta"), "http://z.example/u/");
    EXPECT_EQ(c.server_url("主服务器"), "http://a.example/u/");
    EXPECT_EQ(c.server_url("missing"), "");
    ASSERT_EQ(c.files.size(), 2u);
    EXPECT_EQ(c.files[0], "on1800|2024-05-01 12:00:00|1234");
    EXPECT_EQ(c.files[1], "sn1800|2024-05-01 12:00:00|99");
}

TEST(UpdateConfigParse, HostileOrEmptyTextGivesEmptyLists) {
    const std::string cases[] = {
        "",
        "no sections at all\nkey=value\n",
        "[tq58]\n1=a|b|c\n",  // no server section
        std::string("[server]\0a=b\n", 14),
        "[server\nx=y\n",
        std::string(5000, '['),
    };
    for (const auto& text : cases) {
        const auto c = parse_update_config(text);
        EXPECT_TRUE(c.servers.empty()) << text.substr(0, 40);
    }
}

TEST(UpdateConfigParse, ReadsASavedFileAndRefusesAnOversizedOne) {
    TempDir dir;
    write_file(dir.path() / "update.ini", "[server]\nmain=http://h/u/\n");
    const auto c = read_update_config(dir.path() / "update.ini");
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->server_url("main"), "http://h/u/");
    write_file(dir.path() / "big.ini", std::string(kMaxConfigBytes + 1, '#'));
    EXPECT_FALSE(read_update_config(dir.path() / "big.ini").has_value());
    EXPECT_FALSE(read_update_config(dir.path() / "missing.ini").has_value());
}

TEST(FileLineParse, SplitsAtTheFirstTwoSeparatorsAndChecksNameAndSize) {
    struct Case {
        const char* value;
        bool ok;
        const char* name;
        const char* date;
        std::uint64_t size;
    } cases[] = {
        {"on1800|2024-05-01 12:00:00|1234", true, "on1800", "2024-05-01 12:00:00", 1234},
        {"on1800||0", true, "on1800", "", 0},
        {"on1800|2024-05-01", false, "", "", 0},
        {"on1800", false, "", "", 0},
        {"", false, "", "", 0},
        {"on1800|d|12a", false, "", "", 0},
        {"on1800|d|", false, "", "", 0},
        {"on1800|d|-5", false, "", "", 0},
        {"on1800|d|1|2", false, "", "", 0},
        {"on1800|d|99999999999999999999", false, "", "", 0},
        {"../../etc/x|d|5", false, "", "", 0},
        {"sub/x|d|5", false, "", "", 0},
        {"|d|5", false, "", "", 0},
    };
    for (const auto& c : cases) {
        std::string why;
        const auto line = parse_file_line(c.value, &why);
        ASSERT_EQ(line.has_value(), c.ok) << c.value;
        if (c.ok) {
            EXPECT_EQ(line->name, c.name);
            EXPECT_EQ(line->date, c.date);
            EXPECT_EQ(line->size, c.size);
        } else {
            EXPECT_FALSE(why.empty()) << c.value;
        }
    }
}

TEST(CivilTime, IsoDatesAndImpossibleDates) {
    const auto base = civil_seconds(2024, 5, 1, 12, 0, 0);
    ASSERT_TRUE(base.has_value());
    EXPECT_EQ(*civil_seconds(1970, 1, 1), 0);
    EXPECT_EQ(*civil_seconds(2000, 3, 1) - *civil_seconds(2000, 2, 28), 2 * 86400);  // leap day
    struct Case {
        const char* text;
        std::optional<CivilSeconds> expect;
    } cases[] = {
        {"2024-05-01 12:00:00", base},
        {"2024-05-01T12:00:00", base},
        {" 2024-05-01 12:00:00.250 ", base},
        {"2024-05-01 12:00", base},
        {"2024-05-01", *base - 12 * 3600},
        {"2024-05-01 12:00:01", *base + 1},
        {"2024-02-30", std::nullopt},
        {"2023-02-29", std::nullopt},
        {"2024-13-01", std::nullopt},
        {"2024-05-01 24:00:00", std::nullopt},
        {"2024-05-01 12:60", std::nullopt},
        {"2024-5-1", std::nullopt},
        {"2024-05-01x", std::nullopt},
        {"01/05/2024", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parse_iso_datetime(c.text), c.expect) << c.text;
}

TEST(CivilTime, TwoSecondFloor) {
    struct Case {
        CivilSeconds in, out;
    } cases[] = {{0, 0}, {1, 0}, {2, 2}, {3, 2}, {-1, -2}, {-2, -2}, {1714564801, 1714564800}};
    for (const auto& c : cases) EXPECT_EQ(two_second_floor(c.in), c.out) << c.in;
}

TEST(FileList, OffersOnlyPresentFilesOlderThanTheirDate) {
    TempDir dir;
    const CivilSeconds when = *civil_seconds(2024, 5, 1, 12, 0, 0);
    struct Local {
        const char* name;
        CivilSeconds time;
    } locals[] = {
        {"same", when},               // same time: up to date
        {"older2", when - 2},         // two seconds older: offered
        {"odd_same", when + 1},       // rounds down to the same two-second slot
        {"newer", when + 3600},       // newer: not offered
        {"older_day", when - 86400},  // offered
        {"odd", when + 1},            // against a date of when + 1: stored as `when`, so offered
    };
    for (const auto& l : locals) {
        write_file(dir.path() / (std::string(l.name) + ".dll"), "old");
        testing::set_local_mtime(dir.path() / (std::string(l.name) + ".dll"), l.time);
    }
    fs::create_directory(dir.path() / "folder.dll");
    const std::string date = "2024-05-01 12:00:00";
    const std::vector<std::string> lines = {
        "same|" + date + "|10",    "older2|" + date + "|20",  "absent|" + date + "|30",
        "odd_same|" + date + "|1", "newer|" + date + "|40",   "older_day|" + date + "|50",
        "folder|" + date + "|60",  "../same|" + date + "|70", "older2|" + date,
        "older2|" + date + "|x",   "older_day|not a date|5",  "odd|2024-05-01 12:00:01|7",
    };
    const auto list = build_file_list(lines, dir.path(),
                                      [](const std::string& d) { return parse_iso_datetime(d); });
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(list.entries[0].name, "older2");
    EXPECT_EQ(list.entries[0].size, 20u);
    EXPECT_EQ(list.entries[1].name, "older_day");
    EXPECT_EQ(list.entries[1].size, 50u);
    EXPECT_EQ(list.entries[2].name, "odd");
    // Refused: the unsafe name, the line with one separator, the bad size, the bad date.
    EXPECT_EQ(list.skipped.size(), 4u);
}

TEST(Sha256, KnownDigests) {
    struct Case {
        std::string in;
        const char* hex;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) EXPECT_EQ(sha256_hex(c.in), c.hex) << c.in.size();
    // Fed in pieces that straddle block edges: the same digest.
    Sha256 pieces;
    const std::string text(200, 'q');
    for (std::size_t i = 0; i < text.size(); i += 37)
        pieces.add(text.data() + i, std::min<std::size_t>(37, text.size() - i));
    EXPECT_EQ(pieces.hex_digest(), sha256_hex(text));
}

TEST(DownloadSinkTest, KeepsAtMostTheLimitAndReportsTheRest) {
    TempDir dir;
    const fs::path file = dir.path() / "a.dll";
    {
        DownloadSink sink(file, 10);
        ASSERT_TRUE(sink.is_open());
        EXPECT_TRUE(sink.write("12345", 5));
        EXPECT_FALSE(sink.write("6789012", 7));  // past the limit
        EXPECT_TRUE(sink.overflowed());
        EXPECT_FALSE(sink.write("x", 1));
        EXPECT_TRUE(sink.close());
    }
    EXPECT_EQ(read_file(file), "1234567890");
    {
        DownloadSink sink(file, 10);  // replaces the old file
        EXPECT_TRUE(sink.write("abc", 3));
        EXPECT_FALSE(sink.overflowed());
    }
    EXPECT_EQ(read_file(file), "abc");
}

TEST(DownloadSinkTest, ReplacesALinkInsteadOfWritingThroughIt) {
    TempDir dir;
    const fs::path outside = dir.path() / "outside.txt";
    write_file(outside, "keep me");
    fs::create_directory(dir.path() / "update");
    const fs::path link = dir.path() / "update" / "a.dll";
    fs::create_symlink(outside, link);
    {
        DownloadSink sink(link, 100);
        ASSERT_TRUE(sink.is_open());
        EXPECT_TRUE(sink.write("new", 3));
    }
    EXPECT_EQ(read_file(outside), "keep me");
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(read_file(link), "new");
}

class StagedInstall : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directory(update_dir()); }
    fs::path program() const { return dir_.path(); }
    fs::path update_dir() const { return dir_.path() / "update"; }
    void stage(const std::string& file, const std::string& data) {
        write_file(update_dir() / file, data);
    }
    TempDir dir_;
};

TEST_F(StagedInstall, InstallsOnlyVerifiedFilesAndForgetsThem) {
    write_file(program() / "good.dll", "old good");
    write_file(program() / "partial.dll", "old partial");
    write_file(program() / "changed.dll", "old changed");
    chmod((program() / "good.dll").c_str(), 0755);
    stage("good.dll", "new good bytes");
    ASSERT_TRUE(record_verified(update_dir(), "good.dll", 14));
    stage("partial.dll", "new par");  // never verified: a broken download
    stage("changed.dll", "verified");
    ASSERT_TRUE(record_verified(update_dir(), "changed.dll", 8));
    stage("changed.dll", "tampered");  // same size, other bytes
    stage("fresh.dll", "brand new");
    ASSERT_TRUE(record_verified(update_dir(), "fresh.dll", 9));

    const auto report = install_staged_updates(program());
    EXPECT_EQ(report.installed, (std::vector<std::string>{"good.dll", "fresh.dll"}));
    ASSERT_EQ(report.failed.size(), 1u);
    EXPECT_EQ(report.failed[0].rfind("changed.dll", 0), 0u);
    EXPECT_EQ(read_file(program() / "good.dll"), "new good bytes");
    EXPECT_EQ(fs::status(program() / "good.dll").permissions() & fs::perms::owner_exec,
              fs::perms::owner_exec);
    EXPECT_EQ(read_file(program() / "fresh.dll"), "brand new");
    EXPECT_EQ(read_file(program() / "partial.dll"), "old partial");
    EXPECT_EQ(read_file(program() / "changed.dll"), "old changed");
    EXPECT_TRUE(read_manifest(update_dir()).empty());
    EXPECT_FALSE(fs::exists(update_dir() / kManifestName));
    for (const auto& e : fs::directory_iterator(program()))
        EXPECT_EQ(e.path().filename().string().find(".orvalin-new"), std::string::npos);
    // A second start finds nothing more to do.
    const auto again = install_staged_updates(program());
    EXPECT_TRUE(again.installed.empty());
    EXPECT_TRUE(again.failed.empty());
}

TEST_F(StagedInstall, RecordRefusesWrongSizeAndForgetDropsTheEntry) {
    stage("a.dll", "12345");
    EXPECT_FALSE(record_verified(update_dir(), "a.dll", 4));
    EXPECT_FALSE(record_verified(update_dir(), "../a.dll", 5));
    EXPECT_TRUE(read_manifest(update_dir()).empty());
    ASSERT_TRUE(record_verified(update_dir(), "a.dll", 5));
    stage("b.dll", "xy");
    ASSERT_TRUE(record_verified(update_dir(), "b.dll", 2));
    ASSERT_EQ(read_manifest(update_dir()).size(), 2u);
    EXPECT_TRUE(forget_staged(update_dir(), "a.dll"));
    const auto left = read_manifest(update_dir());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].file, "b.dll");
    EXPECT_EQ(left[0].sha256, sha256_hex("xy"));
}

TEST_F(StagedInstall, HostileManifestLinesNeverLeaveTheProgramFolder) {
    fs::create_directory(program() / "sub");
    write_file(program() / "sub" / "victim.dll", "keep");
    stage("x.dll", "abc");
    const std::string hash = sha256_hex("abc");
    write_file(update_dir() / kManifestName,
               "../victim.dll|3|" + hash + "\n" + "sub/victim.dll|3|" + hash + "\n" +
                   "/tmp/x.dll|3|" + hash + "\n" + "x.dll|3\n" + "x.dll|three|" + hash + "\n" +
                   "x.dll|3|" + hash + "\r\n");
    const auto report = install_staged_updates(program());
    EXPECT_EQ(report.installed, std::vector<std::string>{"x.dll"});
    EXPECT_EQ(read_file(program() / "sub" / "victim.dll"), "keep");
    EXPECT_EQ(read_file(program() / "x.dll"), "abc");
}

TEST_F(StagedInstall, AStagedLinkIsNotFollowed) {
    write_file(program() / "secret.txt", "abc");
    fs::create_symlink(program() / "secret.txt", update_dir() / "x.dll");
    write_file(update_dir() / kManifestName, "x.dll|3|" + sha256_hex("abc") + "\n");
    const auto report = install_staged_updates(program());
    EXPECT_TRUE(report.installed.empty());
    EXPECT_EQ(report.failed.size(), 1u);
    EXPECT_FALSE(fs::exists(program() / "x.dll"));
}

TEST_F(StagedInstall, NothingStagedIsHarmless) {
    TempDir empty;
    EXPECT_TRUE(install_staged_updates(empty.path()).installed.empty());
    EXPECT_TRUE(install_staged_updates(program()).installed.empty());
}

}  // namespace
}  // namespace orvalin::update
