// Configuration, signature, offered files, names, dates, file list, download sink,
// the verified-update record and the start-up install.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "common/data_files.h"
#include "tests/update/file_times.h"
#include "tests/update/test_files.h"
#include "tests/update/test_publisher_key.h"
#include "tests/update/unprivileged.h"
#include "update/digest.h"
#include "update/download_sink.h"
#include "update/file_list.h"
#include "update/local_time.h"
#include "update/release.h"
#include "update/signature.h"
#include "update/signed_offer.h"
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

using testing::read_file;
using testing::write_file;

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
}

TEST(UpdateNames, OnlyDataFilesMayBeUpdated) {
    struct Case {
        const char* listed;
        const char* file;
        bool data;
    } const cases[] = {
        {"on1800", "on1800.dll", true},      {"sn1800", "sn1800.dll", true},
        {"fn1800", "fn1800.dll", true},      {"dn1800", "dn1800.dll", true},
        {"bn1800", "bn1800.dll", true},      {"voredirav44", "voredirav44.dll", true},
        {"QZ01.csl", "QZ01.csl", true},      {"studyhelp.chm", "studyhelp.chm", true},
        {"quendrix", "quendrix.dll", false}, {"libvorkel.so", "libvorkel.so.dll", false},
        {"orvalin", "orvalin.dll", false},   {"orvalin-cli", "orvalin-cli.dll", false},
        {"ON1800", "ON1800.dll", false},     {"other.csl", "other.csl", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(update_file_name(c.listed), c.file);
        EXPECT_EQ(is_updatable_data_file(c.file), c.data) << c.file;
        EXPECT_EQ(is_safe_file_name(c.file), c.data) << c.file;
    }
    EXPECT_FALSE(is_safe_file_name("../on1800.dll"));
    EXPECT_FALSE(is_safe_file_name("libvorkel.so"));
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

TEST(LocalTime, IsoDatesAndImpossibleDates) {
    using std::chrono::seconds;
    const auto base = local_time(2024, 5, 1, 12, 0, 0);
    ASSERT_TRUE(base.has_value());
    EXPECT_EQ(local_time(1970, 1, 1)->time_since_epoch(), seconds(0));
    EXPECT_EQ(*local_time(2000, 3, 1) - *local_time(2000, 2, 28), seconds(2 * 86400));  // leap day
    struct Case {
        const char* text;
        std::optional<LocalSeconds> expect;
    } cases[] = {
        {"2024-05-01 12:00:00", base},
        {"2024-05-01T12:00:00", base},
        {" 2024-05-01 12:00:00.250 ", base},
        {"2024-05-01 12:00", base},
        {"2024-05-01", *base - seconds(12 * 3600)},
        {"2024-05-01 12:00:01", *base + seconds(1)},
        {"2024-02-30", std::nullopt},
        {"2023-02-29", std::nullopt},
        {"1900-02-29", std::nullopt},
        {"2000-02-29", local_time(2000, 2, 29)},
        {"2024-13-01", std::nullopt},
        {"2024-00-10", std::nullopt},
        {"0000-01-01", std::nullopt},
        {"2024-05-01 24:00:00", std::nullopt},
        {"2024-05-01 12:60", std::nullopt},
        {"2024-5-1", std::nullopt},
        {"2024-05-01x", std::nullopt},
        {"01/05/2024", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parse_iso_datetime(c.text), c.expect) << c.text;
}

TEST(LocalTime, TwoSecondFloor) {
    struct Case {
        long long in, out;
    } cases[] = {{0, 0}, {1, 0}, {2, 2}, {3, 2}, {-1, -2}, {-2, -2}, {1714564801, 1714564800}};
    for (const auto& c : cases)
        EXPECT_EQ(two_second_floor(LocalSeconds(std::chrono::seconds(c.in))).time_since_epoch(),
                  std::chrono::seconds(c.out))
            << c.in;
}

// Offered files as a signed configuration gives them (hash and size unchecked here).
std::vector<OfferedFile> offered(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<OfferedFile> out;
    for (const auto& [file, date] : files)
        out.push_back({file.substr(0, file.find('.')), file, date, 3, std::string(64, '0')});
    return out;
}

TEST(FileList, OffersOnlyPresentFilesOlderThanTheirDate) {
    TempDir dir;
    const LocalSeconds when = *local_time(2024, 5, 1, 12, 0, 0);
    using std::chrono::seconds;
    struct Local {
        const char* file;
        LocalSeconds time;
    } locals[] = {
        {"on1800.dll", when},                     // same time: up to date
        {"sn1800.dll", when - seconds(2)},        // two seconds older: offered
        {"fn1800.dll", when + seconds(1)},        // rounds down to the same two-second slot
        {"dn1800.dll", when + seconds(3600)},     // newer: not offered
        {"QZ01.csl", when - seconds(86400)},      // offered
        {"studyhelp.chm", when + seconds(1)},     // against a date of when + 1: offered
        {"voredirav44.dll", when - seconds(60)},  // its date cannot be read
    };
    for (const auto& l : locals) {
        write_file(dir.path() / l.file, "old");
        testing::set_local_mtime(dir.path() / l.file, l.time);
    }
    fs::create_directory(dir.path() / "bn1800.dll");
    const std::string date = "2024-05-01 12:00:00";
    const auto list = build_file_list(offered({{"on1800.dll", date},
                                               {"sn1800.dll", date},
                                               {"absent.chm", date},
                                               {"fn1800.dll", date},
                                               {"dn1800.dll", date},
                                               {"QZ01.csl", date},
                                               {"bn1800.dll", date},
                                               {"voredirav44.dll", "not a date"},
                                               {"studyhelp.chm", "2024-05-01 12:00:01"}}),
                                      dir.path(), fs::path(),
                                      [](const std::string& d) { return parse_iso_datetime(d); });
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(list.entries[0].file, "sn1800.dll");
    EXPECT_EQ(list.entries[1].file, "QZ01.csl");
    EXPECT_EQ(list.entries[2].file, "studyhelp.chm");
    EXPECT_EQ(list.skipped.size(), 1u);
}

// The copy in use decides: an overlay copy updated already is not offered again.
TEST(FileList, TheOverlayCopyIsTheOneCompared) {
    TempDir program, overlay;
    const LocalSeconds when = *local_time(2024, 5, 1, 12, 0, 0);
    write_file(program.path() / "on1800.dll", "old");
    testing::set_local_mtime(program.path() / "on1800.dll", when - std::chrono::hours(24));
    write_file(overlay.path() / "on1800.dll", "updated");
    testing::set_local_mtime(overlay.path() / "on1800.dll", when + std::chrono::hours(1));
    const auto parse = [](const std::string& d) { return parse_iso_datetime(d); };
    write_file(overlay.path() / kOverlaySerials, "on1800.dll|4\n");
    const auto files = offered({{"on1800.dll", "2024-05-01 12:00:00"}});
    EXPECT_TRUE(build_file_list(files, program.path(), overlay.path(), parse, 3).entries.empty());
    EXPECT_EQ(build_file_list(files, program.path(), fs::path(), parse, 3).entries.size(), 1u);
}

// The serial each copy was installed under decides, never the file dates: a
// package upgrade may carry older dates than an update installed before it.
TEST(DataFiles, TheCopyOfTheHigherSerialIsUsed) {
    TempDir program, overlay;
    const auto at = [](const fs::path& p, std::time_t t) {
        struct timespec times[2] = {{t, 0}, {t, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
    };
    for (const char* f : {"QZ01.csl", "on1800.dll", "fn1800.dll"}) {
        write_file(program.path() / f, "shipped");
        write_file(overlay.path() / f, "updated");
        // The overlay's copies newer by date: dates must not matter.
        at(program.path() / f, 1'000'000);
        at(overlay.path() / f, 2'000'000);
    }
    write_file(overlay.path() / "bn1800.dll", "only updated");
    fs::create_directory(overlay.path() / "sn1800.dll");
    write_file(overlay.path() / kOverlaySerials,
               "QZ01.csl|7\non1800.dll|3\nbroken line\nbn1800.dll|2\nsn1800.dll|9\n");
    const std::optional<std::uint64_t> none;
    struct Case {
        const char* file;
        std::optional<std::uint64_t> package;
        bool overlay_wins;
    } const cases[] = {
        {"QZ01.csl", 5, true},      // 7 over a package of 5
        {"QZ01.csl", 7, false},     // the same release: the package's own copy
        {"QZ01.csl", 8, false},     // a later package upgrade wins
        {"QZ01.csl", none, false},  // a package of unknown release counts as the newest
        {"on1800.dll", 2, true},   {"on1800.dll", 4, false},
        {"fn1800.dll", 0, false},  // a copy no install recorded
        {"bn1800.dll", 99, true},  // only in the overlay
        {"sn1800.dll", 0, false},  // a folder there is not a file
    };
    for (const auto& c : cases)
        EXPECT_EQ(data_file(program.path(), c.file, overlay.path(), c.package),
                  (c.overlay_wins ? overlay.path() : program.path()) / c.file)
            << c.file << " package " << c.package.value_or(-1);
    EXPECT_EQ(data_file(program.path(), "QZ01.csl", fs::path(), 0), program.path() / "QZ01.csl");
    // An unreadable record counts as no record.
    write_file(overlay.path() / kOverlaySerials, std::string(100000, '|'));
    EXPECT_EQ(data_file(program.path(), "QZ01.csl", overlay.path(), 0),
              program.path() / "QZ01.csl");
}

TEST(DataFiles, UserFoldersFollowTheEnvironment) {
    TempDir run;
    setenv("XDG_DATA_HOME", "/somewhere/data", 1);
    setenv("XDG_RUNTIME_DIR", run.path().c_str(), 1);
    auto f = UserFolders::from_environment();
    EXPECT_EQ(f.data, fs::path("/somewhere/data/orvalin"));
    EXPECT_EQ(f.overlay(), fs::path("/somewhere/data/orvalin/overlay"));
    EXPECT_EQ(f.staging(), fs::path("/somewhere/data/orvalin/update"));
    EXPECT_EQ(f.runtime, run.path());
    setenv("XDG_DATA_HOME", "relative", 1);
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_RUNTIME_DIR", "/no/such/folder", 1);
    f = UserFolders::from_environment();
    EXPECT_EQ(f.data, fs::path("/home/someone/.local/share/orvalin"));
    // No shared folder such as /tmp stands in for a runtime folder.
    EXPECT_TRUE(f.runtime.empty());
    // A runtime folder others may enter is not private, nor is a link to one.
    fs::permissions(run.path(), fs::perms::owner_all | fs::perms::group_exec);
    setenv("XDG_RUNTIME_DIR", run.path().c_str(), 1);
    EXPECT_TRUE(UserFolders::from_environment().runtime.empty());
    fs::permissions(run.path(), fs::perms::owner_all);
    fs::create_directory_symlink(run.path(), run.path().string() + "-link");
    setenv("XDG_RUNTIME_DIR", (run.path().string() + "-link").c_str(), 1);
    EXPECT_TRUE(UserFolders::from_environment().runtime.empty());
    fs::remove(run.path().string() + "-link");
}

TEST(Digest, KnownSha256DigestsOfTextAndFiles) {
    struct Case {
        std::string in;
        const char* hex;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        EXPECT_EQ(sha256_hex(c.in), c.hex) << c.in.size();
        write_file(dir.path() / "f", c.in);
        const auto d = digest_file(dir.path() / "f");
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ(d->sha256, c.hex);
        EXPECT_EQ(d->size, c.in.size());
    }
    fs::create_symlink(dir.path() / "f", dir.path() / "link");
    EXPECT_FALSE(digest_file(dir.path() / "link").has_value());
    EXPECT_FALSE(digest_file(dir.path()).has_value());
}

// A key pair of the test's own, like a publisher's.
using TestKeys = testing::TestPublisherKey;

TEST(Signature, OnlyTheExactBytesSignedByTheKeyVerify) {
    const TestKeys keys, other;
    const std::string config = "[server]\r\nmain=http://h/u/\r\n";
    const std::string good = keys.sign(config);
    std::string flipped = good;
    flipped[10] = flipped[10] == 'A' ? 'B' : 'A';
    struct Case {
        const char* what;
        std::string bytes;
        std::string signature;
        SignatureCheck expect;
    } const cases[] = {
        {"good", config, good, SignatureCheck::valid},
        {"no line break", config, good.substr(0, good.size() - 1), SignatureCheck::valid},
        {"CRLF and blanks", config, "  " + good.substr(0, good.size() - 1) + "\r\n",
         SignatureCheck::valid},
        {"tampered text", config + "x=y\r\n", good, SignatureCheck::wrong},
        {"one byte changed", "[server]\r\nmain=http://e/u/\r\n", good, SignatureCheck::wrong},
        {"line break added", config + "\n", good, SignatureCheck::wrong},
        {"another key", config, other.sign(config), SignatureCheck::wrong},
        {"flipped signature", config, flipped, SignatureCheck::wrong},
        {"empty", config, "", SignatureCheck::missing},
        {"blank", config, " \r\n", SignatureCheck::missing},
        {"not base64", config, "not a signature!", SignatureCheck::malformed},
        {"too short", config, good.substr(0, 40), SignatureCheck::malformed},
        {"too long", config, good.substr(0, 86) + good.substr(0, 86), SignatureCheck::malformed},
        {"trailing junk", config, good + "junk", SignatureCheck::malformed},
        {"huge", config, std::string(5000, 'A'), SignatureCheck::malformed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(check_signature(c.bytes, c.signature, keys.pk), c.expect) << c.what;
}

TEST(Signature, PublicKeysAreBase64OfThirtyTwoBytes) {
    EXPECT_TRUE(parse_public_key("isHtNDocYCAjL2GYMNTuokBP2ECubXKBa/QatueTuq8=").has_value());
    EXPECT_TRUE(parse_public_key("isHtNDocYCAjL2GYMNTuokBP2ECubXKBa/QatueTuq8").has_value());
    EXPECT_FALSE(parse_public_key("isHtNDocYCAjL2GYMNTuokBP2ECubXKBa/Qatue").has_value());
    EXPECT_FALSE(parse_public_key("").has_value());
    EXPECT_FALSE(parse_public_key("isHtNDocYCAjL2GYMNTuokBP2ECubXKBa/QatueTuq8=AAAA").has_value());
}

const std::string kHashA = sha256_hex("aaa");
const std::string kHashB = sha256_hex("bbbb");

TEST(SignedOffer, EveryListedFileNeedsItsSignedHashAndSize) {
    const auto offer = check_offer(parse_update_config(
        "[server]\nmain=http://h/u/\n[tq58]\n1=on1800|2024-05-01|3\n2=QZ01.csl|2024-05-01|4\n"
        "[sha256]\non1800.dll=" +
        kHashA + "|3\nQZ01.csl=" + kHashB + "|4\n"));
    ASSERT_TRUE(offer.accepted()) << offer.refusal;
    ASSERT_EQ(offer.files.size(), 2u);
    EXPECT_EQ(offer.files[0].name, "on1800");
    EXPECT_EQ(offer.files[0].file, "on1800.dll");
    EXPECT_EQ(offer.files[0].sha256, kHashA);
    EXPECT_EQ(offer.files[1].file, "QZ01.csl");
    EXPECT_EQ(offer.files[1].size, 4u);
}

TEST(SignedOffer, OneUnsoundLineRefusesTheWholeConfiguration) {
    const std::string upper = [] {
        std::string h = kHashA;
        for (auto& c : h) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return h;
    }();
    struct Case {
        const char* what;
        std::string tq58;
        std::string sha256;
        const char* refusal_names;  // empty: accepted
    } const cases[] = {
        {"code: fallback converter", "1=quendrix|d|3\n", "quendrix.dll=" + kHashA + "|3\n",
         "quendrix.dll"},
        {"code: device library", "1=libvorkel.so|d|3\n", "libvorkel.so.dll=" + kHashA + "|3\n",
         "libvorkel.so"},
        {"code: the program", "1=on1800|d|3\n2=orvalin|d|3\n", "on1800.dll=" + kHashA + "|3\n",
         "orvalin.dll"},
        {"path parts", "1=../on1800|d|3\n", "", "../on1800"},
        {"absolute path", "1=/usr/lib/orvalin/on1800|d|3\n", "", "/usr/lib/orvalin/on1800"},
        {"no hash", "1=on1800|d|3\n", "", "on1800.dll"},
        {"hash of another name", "1=on1800|d|3\n", "sn1800.dll=" + kHashA + "|3\n", "on1800.dll"},
        {"sizes differ", "1=on1800|d|3\n", "on1800.dll=" + kHashA + "|4\n", "on1800.dll"},
        {"short hash", "1=on1800|d|3\n", "on1800.dll=" + kHashA.substr(1) + "|3\n", "on1800.dll"},
        {"hash without size", "1=on1800|d|3\n", "on1800.dll=" + kHashA + "\n", "on1800.dll"},
        {"listed twice", "1=on1800|d|3\n2=on1800|e|3\n", "on1800.dll=" + kHashA + "|3\n",
         "on1800.dll"},
        {"bad size", "1=on1800|d|three\n", "on1800.dll=" + kHashA + "|3\n", "on1800"},
        {"upper-case hash", "1=on1800|d|3\n", "on1800.dll=" + upper + "|3\n", ""},
        {"nothing listed", "", "", ""},
    };
    for (const auto& c : cases) {
        const auto offer = check_offer(parse_update_config("[server]\nmain=http://h/u/\n[tq58]\n" +
                                                           c.tq58 + "[sha256]\n" + c.sha256));
        if (*c.refusal_names == '\0') {
            EXPECT_TRUE(offer.accepted()) << c.what << ": " << offer.refusal;
            for (const auto& f : offer.files) EXPECT_EQ(f.sha256, kHashA) << c.what;
        } else {
            EXPECT_FALSE(offer.accepted()) << c.what;
            EXPECT_TRUE(offer.files.empty()) << c.what;
            EXPECT_NE(offer.refusal.find(c.refusal_names), std::string::npos)
                << c.what << ": " << offer.refusal;
        }
    }
}

TEST(ReleaseCheckTest, SerialsOnlyGrowAndExpiredConfigurationsAreRefused) {
    using std::chrono::sys_days;
    const auto now = std::chrono::sys_seconds{sys_days{std::chrono::year{2026} / 6 / 1}};
    const auto text = [](const std::string& release) {
        return "[server]\r\nmain=http://h/u/\r\n" + release + "[tq58]\r\n";
    };
    const std::string five = text("[release]\r\nserial=5\r\nexpires=2026-07-01T00:00:00Z\r\n");
    const AcceptedRelease accepted{5, sha256_hex(five)};
    const std::optional<AcceptedRelease> none;
    struct Case {
        const char* what;
        std::string config;
        std::optional<AcceptedRelease> accepted;
        ReleaseCheck expect;
    } const cases[] = {
        {"first one", five, none, ReleaseCheck::fresh},
        {"the accepted one again", five, accepted, ReleaseCheck::fresh},
        {"a higher serial", text("[release]\r\nserial=6\r\nexpires=2026-06-02 00:00:00Z\r\n"),
         accepted, ReleaseCheck::fresh},
        {"a lower serial", text("[Release]\r\nSerial=4\r\nexpires=2026-07-01T00:00:00Z\r\n"),
         accepted, ReleaseCheck::older},
        {"the same serial, other bytes",
         text("[release]\r\nserial=5\r\nexpires=2026-08-01T00:00:00Z\r\n"), accepted,
         ReleaseCheck::replayed},
        {"expired", text("[release]\r\nserial=9\r\nexpires=2026-06-01T00:00:00Z\r\n"), none,
         ReleaseCheck::expired},
        {"no release section", text(""), accepted, ReleaseCheck::missing},
        {"no expiry", text("[release]\r\nserial=9\r\n"), none, ReleaseCheck::missing},
        {"no serial", text("[release]\r\nexpires=2026-07-01T00:00:00Z\r\n"), none,
         ReleaseCheck::missing},
        {"serial not a number", text("[release]\r\nserial=9a\r\nexpires=2026-07-01T00:00:00Z\r\n"),
         none, ReleaseCheck::malformed},
        {"negative serial", text("[release]\r\nserial=-1\r\nexpires=2026-07-01T00:00:00Z\r\n"),
         none, ReleaseCheck::malformed},
        {"serial too long",
         text("[release]\r\nserial=99999999999999999999\r\nexpires=2026-07-01T00:00:00Z\r\n"), none,
         ReleaseCheck::malformed},
        {"expiry in local time", text("[release]\r\nserial=9\r\nexpires=2026-07-01 00:00:00\r\n"),
         none, ReleaseCheck::malformed},
        {"impossible expiry", text("[release]\r\nserial=9\r\nexpires=2026-02-30T00:00:00Z\r\n"),
         none, ReleaseCheck::malformed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(check_release(parse_update_config(c.config), c.config, c.accepted, now), c.expect)
            << c.what;
    // The staged release was checked for expiry when it was fetched.
    const std::string old = text("[release]\r\nserial=9\r\nexpires=2020-01-01T00:00:00Z\r\n");
    Release r;
    EXPECT_EQ(check_release(parse_update_config(old), old, none, now, &r, true),
              ReleaseCheck::fresh);
    EXPECT_EQ(r.serial, 9u);
    EXPECT_EQ(utc_text(r.expires), "2020-01-01T00:00:00Z");
}

TEST(ReleaseCheckTest, TheAcceptedRecordReadsBackAndRefusesJunk) {
    TempDir dir;
    EXPECT_FALSE(read_accepted_release(dir.path()).has_value());
    ASSERT_TRUE(write_accepted_release(dir.path() / "new", {42, sha256_hex("x")}));
    const auto r = read_accepted_release(dir.path() / "new");
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->serial, 42u);
    EXPECT_EQ(r->sha256, sha256_hex("x"));
    for (const std::string& junk : std::vector<std::string>{"", "42", "x " + sha256_hex("x"),
                                                            "42 abc", std::string(300, '4')}) {
        write_file(dir.path() / "accepted-release", junk);
        EXPECT_FALSE(read_accepted_release(dir.path()).has_value()) << junk;
    }
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

// A configuration as a publisher signs it: the files with their hashes, and its release.
std::string release_config(const std::vector<std::pair<std::string, std::string>>& files,
                           std::uint64_t serial,
                           const std::string& expires = "2999-01-01T00:00:00Z") {
    std::string tq58, sha;
    int n = 0;
    for (const auto& [file, data] : files) {
        const std::string listed = file.ends_with(".dll") ? file.substr(0, file.size() - 4) : file;
        tq58 += std::to_string(++n) + "=" + listed + "|2024-05-01|" + std::to_string(data.size()) +
                "\r\n";
        sha += file + "=" + sha256_hex(data) + "|" + std::to_string(data.size()) + "\r\n";
    }
    return "[server]\r\nmain=http://h/u/\r\n[release]\r\nserial=" + std::to_string(serial) +
           "\r\nexpires=" + expires + "\r\n[tq58]\r\n" + tq58 + "[sha256]\r\n" + sha;
}

class StagedInstall : public ::testing::Test {
  protected:
    void SetUp() override {
        folders_ = {dir_.path() / "program", dir_.path() / "data" / "update",
                    dir_.path() / "data" / "overlay"};
        fs::create_directories(folders_.program);
        fs::create_directories(folders_.staging);
    }
    void TearDown() override {
        // Read-only folders of a test must not stop the clean-up.
        fs::permissions(folders_.program, fs::perms::owner_all, fs::perm_options::add);
    }
    void program_file(const std::string& file, const std::string& data) {
        write_file(folders_.program / file, data);
    }
    // Stages a complete update as the window leaves it: the files, the list of them
    // and the configuration they were signed in.
    void stage(const std::vector<std::pair<std::string, std::string>>& files,
               std::uint64_t serial = 1) {
        std::vector<StagedEntry> entries;
        for (const auto& [file, data] : files) {
            write_file(folders_.staging / file, data);
            entries.push_back({file, data.size(), sha256_hex(data)});
        }
        const std::string config = release_config(files, serial);
        ASSERT_TRUE(write_staged_config(folders_.staging, config, keys_.sign(config)));
        ASSERT_TRUE(write_manifest(folders_.staging, entries));
    }
    InstallReport install() { return install_staged_updates(folders_, keys_.pk); }
    std::string in_program(const std::string& file) const {
        return read_file(folders_.program / file);
    }
    bool nothing_staged() const {
        const auto m = read_manifest(folders_.staging);
        return m && m->empty() && !fs::exists(folders_.staging / kManifestName) &&
               !fs::exists(folders_.staging / kStagedConfigName);
    }
    TempDir dir_;
    InstallFolders folders_;
    TestKeys keys_;
};

TEST_F(StagedInstall, InstallsTheWholeUpdateAndKeepsThePreviousCopiesForOneRollback) {
    program_file("on1800.dll", "old pictures");
    program_file("QZ01.csl", "old code info");
    chmod((folders_.program / "QZ01.csl").c_str(), 0640);
    stage(
        {{"on1800.dll", "new pictures"}, {"QZ01.csl", "new code info"}, {"studyhelp.chm", "help"}});

    const auto report = install();
    EXPECT_EQ(report.installed,
              (std::vector<std::string>{"on1800.dll", "QZ01.csl", "studyhelp.chm"}));
    EXPECT_TRUE(report.failure.empty());
    EXPECT_EQ(report.target, folders_.program);
    EXPECT_EQ(report.message(), "升级完成！已更新：on1800.dll、QZ01.csl、studyhelp.chm");
    EXPECT_EQ(in_program("on1800.dll"), "new pictures");
    EXPECT_EQ(in_program("QZ01.csl"), "new code info");
    EXPECT_EQ(fs::status(folders_.program / "QZ01.csl").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_TRUE(nothing_staged());
    for (const auto& e : fs::directory_iterator(folders_.program))
        EXPECT_EQ(e.path().filename().string().find(".orvalin-new"), std::string::npos);
    // Told once: the next start has nothing to say.
    EXPECT_EQ(install().message(), "");

    ASSERT_TRUE(roll_back_last_install(folders_));
    EXPECT_EQ(in_program("on1800.dll"), "old pictures");
    EXPECT_EQ(in_program("QZ01.csl"), "old code info");
    EXPECT_FALSE(fs::exists(folders_.program / "studyhelp.chm"));  // it was new
    std::string why;
    EXPECT_FALSE(roll_back_last_install(folders_, &why));  // only one rollback
    EXPECT_FALSE(why.empty());
}

TEST_F(StagedInstall, AReadOnlyProgramFolderGetsTheUpdateThroughTheOverlay) {
    program_file("on1800.dll", "old pictures");
    program_file("QZ01.csl", "old code info");
    stage({{"QZ01.csl", "new code info"}}, 4);
    fs::permissions(folders_.program, fs::perms::owner_read | fs::perms::owner_exec);

    InstallReport report;
    const bool rolled_back = testing::as_ordinary_user(dir_.path(), [&] {
        report = install();
        // The program opens the overlay's copy, and still its own for the rest.
        // (A package built with the data of release 3.)
        const bool used = read_file(data_file(folders_.program, "QZ01.csl", folders_.overlay, 3)) ==
                              "new code info" &&
                          read_file(data_file(folders_.program, "on1800.dll", folders_.overlay,
                                              3)) == "old pictures";
        const bool recorded = read_overlay_serials(folders_.overlay) == SerialList{{"QZ01.csl", 4}};
        const bool rolled = roll_back_last_install(folders_);
        return report.installed == std::vector<std::string>{"QZ01.csl"} &&
               report.target == folders_.overlay && used && recorded && rolled &&
               read_overlay_serials(folders_.overlay).empty();
    });
    EXPECT_TRUE(rolled_back);
    EXPECT_EQ(in_program("QZ01.csl"), "old code info");
    // Rolled back: the overlay's copy is gone and the program's own is in use again.
    EXPECT_FALSE(fs::exists(folders_.overlay / "QZ01.csl"));
    EXPECT_EQ(read_file(data_file(folders_.program, "QZ01.csl", folders_.overlay, 3)),
              "old code info");
}

TEST_F(StagedInstall, AnInstallFailingHalfWayLeavesThePreviousFiles) {
    program_file("on1800.dll", "old on");
    program_file("sn1800.dll", "old sn");
    // The last file cannot take its place: a folder is in the way.
    fs::create_directory(folders_.program / "studyhelp.chm");
    write_file(folders_.program / "studyhelp.chm" / "inside", "x");
    stage({{"on1800.dll", "new on"}, {"sn1800.dll", "new sn"}, {"studyhelp.chm", "help"}});

    const auto report = install();
    EXPECT_TRUE(report.installed.empty());
    EXPECT_NE(report.failure.find("studyhelp.chm"), std::string::npos) << report.failure;
    EXPECT_EQ(report.message().rfind("升级没有完成，原来的文件保持不变：", 0), 0u);
    EXPECT_EQ(in_program("on1800.dll"), "old on");
    EXPECT_EQ(in_program("sn1800.dll"), "old sn");
    EXPECT_TRUE(fs::is_directory(folders_.program / "studyhelp.chm"));
    EXPECT_TRUE(nothing_staged());
    for (const auto& e : fs::directory_iterator(folders_.program))
        EXPECT_EQ(e.path().filename().string().find(".orvalin-new"), std::string::npos);
}

TEST_F(StagedInstall, AnInstallCutShortIsUndoneAtTheNextStart) {
    program_file("on1800.dll", "old on");
    stage({{"on1800.dll", "new on"}, {"sn1800.dll", "new sn"}});
    // As if the power failed after the first file was replaced: the copies kept,
    // the journal written, one file in place.
    fs::create_directories(folders_.staging / "previous");
    write_file(folders_.staging / "previous" / "on1800.dll", "old on");
    write_file(folders_.staging / "install.journal",
               "program|on1800.dll|1\nprogram|sn1800.dll|0\n");
    program_file("on1800.dll", "new on");
    program_file(".sn1800.dll.orvalin-new", "new sn");

    const auto report = install();
    EXPECT_TRUE(report.recovered);
    EXPECT_EQ(report.message(), "上次升级没有完成，已恢复原来的文件！");
    EXPECT_EQ(in_program("on1800.dll"), "old on");
    EXPECT_FALSE(fs::exists(folders_.program / "sn1800.dll"));
    EXPECT_FALSE(fs::exists(folders_.program / ".sn1800.dll.orvalin-new"));
    EXPECT_FALSE(fs::exists(folders_.staging / "install.journal"));
    EXPECT_TRUE(nothing_staged());
}

TEST_F(StagedInstall, StagedFilesThatNoLongerMatchInstallNothing) {
    program_file("on1800.dll", "old on");
    program_file("sn1800.dll", "old sn");
    stage({{"on1800.dll", "new on"}, {"sn1800.dll", "new sn"}});
    write_file(folders_.staging / "sn1800.dll", "evil sn");  // same size, other bytes
    const auto report = install();
    EXPECT_TRUE(report.installed.empty());
    EXPECT_NE(report.failure.find("sn1800.dll"), std::string::npos);
    EXPECT_EQ(in_program("on1800.dll"), "old on");
    EXPECT_EQ(in_program("sn1800.dll"), "old sn");
    EXPECT_TRUE(nothing_staged());
}

TEST_F(StagedInstall, HostileRecordsInstallNothingAndNeverLeaveTheirFolders) {
    fs::create_directory(folders_.program / "sub");
    program_file("sub/QZ01.csl", "keep");
    program_file("quendrix.dll", "old code");
    const std::string hash = sha256_hex("abc");
    struct Case {
        const char* what;
        std::string manifest;
    } const cases[] = {
        {"path part", "../QZ01.csl|3|" + hash + "\n"},
        {"sub folder", "sub/QZ01.csl|3|" + hash + "\n"},
        {"absolute", "/tmp/QZ01.csl|3|" + hash + "\n"},
        {"code", "quendrix.dll|3|" + hash + "\n"},
        {"no hash", "QZ01.csl|3\n"},
        {"bad size", "QZ01.csl|three|" + hash + "\n"},
        {"good line after a bad one", "quendrix.dll|3|" + hash + "\nQZ01.csl|3|" + hash + "\n"},
    };
    for (const auto& c : cases) {
        stage({{"QZ01.csl", "abc"}});
        write_file(folders_.staging / "quendrix.dll", "abc");
        write_file(folders_.staging / kManifestName, c.manifest);
        const auto report = install();
        EXPECT_TRUE(report.installed.empty()) << c.what;
        EXPECT_FALSE(report.failure.empty()) << c.what;
        EXPECT_FALSE(fs::exists(folders_.program / "QZ01.csl")) << c.what;
        EXPECT_EQ(in_program("sub/QZ01.csl"), "keep") << c.what;
        EXPECT_EQ(in_program("quendrix.dll"), "old code") << c.what;
        EXPECT_FALSE(fs::exists(folders_.staging / kManifestName)) << c.what;
    }
}

TEST_F(StagedInstall, AStagedLinkIsNotFollowed) {
    program_file("secret.txt", "abc");
    stage({{"QZ01.csl", "abc"}});
    fs::remove(folders_.staging / "QZ01.csl");
    fs::create_symlink(folders_.program / "secret.txt", folders_.staging / "QZ01.csl");
    ASSERT_TRUE(write_manifest(folders_.staging, {{"QZ01.csl", 3, sha256_hex("abc")}}));
    const auto report = install();
    EXPECT_TRUE(report.installed.empty());
    EXPECT_FALSE(report.failure.empty());
    EXPECT_FALSE(fs::exists(folders_.program / "QZ01.csl"));
}

// Someone who can write into the staging folder but holds no publisher key: the
// list and the files may be rewritten at will, only signed bytes are installed.
TEST_F(StagedInstall, OnlyWhatTheStagedConfigurationSignsIsInstalled) {
    const TestKeys other;
    const std::string evil = "evil on";  // the size of "new on" + 1: any size will do
    const auto rewrite_list =
        [this](const std::vector<std::pair<std::string, std::string>>& files) {
            std::vector<StagedEntry> entries;
            for (const auto& [file, data] : files) {
                write_file(folders_.staging / file, data);
                entries.push_back({file, data.size(), sha256_hex(data)});
            }
            ASSERT_TRUE(write_manifest(folders_.staging, entries));
        };
    struct Case {
        const char* what;
        std::function<void()> tamper;
        bool with_key;
        const char* failure;  // part of the reason
    } const cases[] = {
        {"tampered file, list rewritten to match",
         [&] {
             rewrite_list({{"on1800.dll", evil}});
         },
         true, "on1800.dll"},
        {"same size, other bytes, list rewritten",
         [&] {
             rewrite_list({{"on1800.dll", "NEW ON"}});
         },
         true, "on1800.dll"},
        {"a file added to the list",
         [&] {
             rewrite_list({{"on1800.dll", "new on"}, {"sn1800.dll", evil}});
         },
         true, "sn1800.dll"},
        {"configuration rewritten to match, signature kept",
         [&] {
             rewrite_list({{"on1800.dll", evil}});
             write_file(folders_.staging / kStagedConfigName,
                        release_config({{"on1800.dll", evil}}, 1));
         },
         true, "签名"},
        {"configuration signed by another key",
         [&] {
             rewrite_list({{"on1800.dll", evil}});
             const std::string text = release_config({{"on1800.dll", evil}}, 1);
             ASSERT_TRUE(write_staged_config(folders_.staging, text, other.sign(text)));
         },
         true, "签名"},
        {"no staged configuration", [&] { fs::remove(folders_.staging / kStagedConfigName); }, true,
         "签名"},
        {"a build without a publisher key", [] {}, false, "不接受在线升级"},
        {"staged under a release older than the accepted one",
         [&] {
             ASSERT_TRUE(write_accepted_release(folders_.staging, {5, std::string(64, 'a')}));
         },
         true, "取代"},
    };
    for (const auto& c : cases) {
        program_file("on1800.dll", "old on");
        stage({{"on1800.dll", "new on"}}, 3);
        c.tamper();
        const auto report = install_staged_updates(
            folders_, c.with_key ? std::optional<PublicKey>(keys_.pk) : std::nullopt);
        EXPECT_TRUE(report.installed.empty()) << c.what;
        EXPECT_NE(report.failure.find(c.failure), std::string::npos)
            << c.what << ": " << report.failure;
        EXPECT_EQ(in_program("on1800.dll"), "old on") << c.what;
        EXPECT_FALSE(fs::exists(folders_.program / "sn1800.dll")) << c.what;
        EXPECT_TRUE(nothing_staged()) << c.what;
        EXPECT_FALSE(installed_serial(folders_).has_value()) << c.what;
        fs::remove(folders_.staging / "accepted-release");
    }
    // Untampered, the same update installs.
    stage({{"on1800.dll", "new on"}}, 3);
    EXPECT_EQ(install().installed, std::vector<std::string>{"on1800.dll"});
    EXPECT_EQ(in_program("on1800.dll"), "new on");
}

TEST_F(StagedInstall, TheInstalledReleaseIsRecordedAndRolledBackWithTheFiles) {
    program_file("QZ01.csl", "shipped");
    EXPECT_FALSE(rollback_available(folders_));
    stage({{"QZ01.csl", "release 7"}}, 7);
    EXPECT_EQ(install().serial, 7u);
    EXPECT_EQ(installed_serial(folders_), 7u);
    EXPECT_TRUE(rollback_available(folders_));
    stage({{"QZ01.csl", "release 9"}}, 9);
    EXPECT_EQ(install().serial, 9u);
    EXPECT_EQ(installed_serial(folders_), 9u);
    // One step back: the release before is in place again, with its record.
    ASSERT_TRUE(roll_back_last_install(folders_));
    EXPECT_EQ(in_program("QZ01.csl"), "release 7");
    EXPECT_EQ(installed_serial(folders_), 7u);
    EXPECT_FALSE(rollback_available(folders_));
}

TEST_F(StagedInstall, NothingStagedIsHarmless) {
    EXPECT_EQ(install().message(), "");
    EXPECT_EQ(install_staged_updates({folders_.program, dir_.path() / "none", dir_.path() / "o"},
                                     keys_.pk)
                  .message(),
              "");
    EXPECT_EQ(install_staged_updates({folders_.program, {}, {}}, keys_.pk).message(), "");
}

}  // namespace
}  // namespace orvalin::update
