// Backups of the code table: where they go, what they hold, that none is ever
// overwritten, and that the folder does not grow without bound.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "learning/table_backup.h"

namespace orvalin::learning {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class TempDir {
  public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "orvalin-backup-XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, ec);
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// Sets (or unsets, with nullopt) an environment variable for one scope.
class EnvVar {
  public:
    EnvVar(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~EnvVar() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::set<std::string> names_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

// A fixed moment, so that file names are known: 2026-12-09 23:15:00 local time.
std::chrono::system_clock::time_point at(int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 9;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

TEST(TableBackup, FolderFollowsTheEnvironment) {
    const struct {
        std::optional<std::string> override_dir, xdg, home;
        std::string expected;
    } cases[] = {
        {"/tmp/b", "/x", "/h", "/tmp/b"},
        {std::nullopt, "/x", "/h", "/x/orvalin/backups"},
        {"", "/x", "/h", "/x/orvalin/backups"},
        {std::nullopt, std::nullopt, "/h", "/h/.local/share/orvalin/backups"},
        {std::nullopt, "relative", "/h", "/h/.local/share/orvalin/backups"},
        {std::nullopt, std::nullopt, std::nullopt, ""},
    };
    for (const auto& c : cases) {
        EnvVar a("ORVALIN_BACKUP_DIR", c.override_dir);
        EnvVar b("XDG_DATA_HOME", c.xdg);
        EnvVar h("HOME", c.home);
        EXPECT_EQ(backup_folder(), fs::path(c.expected)) << c.expected;
    }
}

TEST(TableBackup, SavesTheTableUpToItsEndAndNeverOverwrites) {
    TempDir dir;
    const fs::path folder = dir.path() / "nested" / "backups";
    std::string read_form = "0001AB";
    read_form += '\0';
    read_form += std::string(40, '\0');

    const BackupResult first = save_table_backup(read_form, folder, at(23, 15, 0));
    ASSERT_TRUE(first.ok) << first.error;
    EXPECT_EQ(first.file.filename(), "code-table-20261209-231500.hex");
    EXPECT_EQ(read_file(first.file), "0001AB\n");

    // Same second: a new name each time, the earlier files untouched.
    const BackupResult second = save_table_backup("0000", folder, at(23, 15, 0));
    const BackupResult third = save_table_backup("0002", folder, at(23, 15, 0));
    ASSERT_TRUE(second.ok && third.ok);
    EXPECT_EQ(second.file.filename(), "code-table-20261209-231500-1.hex");
    EXPECT_EQ(third.file.filename(), "code-table-20261209-231500-2.hex");
    EXPECT_EQ(read_file(first.file), "0001AB\n");
    EXPECT_EQ(read_file(second.file), "0000\n");
    EXPECT_EQ(read_file(third.file), "0002\n");
}

TEST(TableBackup, KeepsOnlyTheNewestAndLeavesOtherFilesAlone) {
    TempDir dir;
    std::ofstream(dir.path() / "notes.txt") << "mine";
    std::ofstream(dir.path() / "code-table-old.hex") << "not a backup name";
    for (int s = 0; s < 5; ++s)
        ASSERT_TRUE(save_table_backup("00", dir.path(), at(10, 0, s), 3).ok);
    // Two in the same second: the one with the clash number is the newer.
    ASSERT_TRUE(save_table_backup("01", dir.path(), at(10, 0, 4), 3).ok);
    EXPECT_EQ(names_in(dir.path()),
              (std::set<std::string>{
                  "notes.txt", "code-table-old.hex", "code-table-20261209-100003.hex",
                  "code-table-20261209-100004.hex", "code-table-20261209-100004-1.hex"}));

    // A clock set back: the file just written is kept all the same.
    const BackupResult back = save_table_backup("02", dir.path(), at(9, 0, 0), 3);
    ASSERT_TRUE(back.ok);
    EXPECT_TRUE(fs::exists(back.file));
    EXPECT_TRUE(fs::exists(dir.path() / "code-table-20261209-100004-1.hex"));
    EXPECT_FALSE(fs::exists(dir.path() / "code-table-20261209-100003.hex"));
}

TEST(TableBackup, UnwrittenTablesLiveBesideTheBackupsAndAreNeverPruned) {
    TempDir dir;
    const BackupResult a =
        save_unwritten_table(std::string("0001CD") + '\0', dir.path(), at(8, 0, 0));
    const BackupResult b = save_unwritten_table("0002", dir.path(), at(8, 0, 0));
    ASSERT_TRUE(a.ok && b.ok) << a.error << b.error;
    EXPECT_EQ(a.file.filename(), "unwritten-20261209-080000.hex");
    EXPECT_EQ(b.file.filename(), "unwritten-20261209-080000-1.hex");
    EXPECT_EQ(read_file(a.file), "0001CD\n");
    for (int s = 0; s < 4; ++s) ASSERT_TRUE(save_table_backup("00", dir.path(), at(9, 0, s), 2).ok);
    EXPECT_TRUE(fs::exists(a.file));
    EXPECT_TRUE(fs::exists(b.file));
    // Only backups count as the newest backup.
    EXPECT_EQ(newest_backup(dir.path()), dir.path() / "code-table-20261209-090003.hex");
    EXPECT_FALSE(save_unwritten_table("00", fs::path(), at(1, 0, 0)).ok);
}

TEST(TableBackup, NewestBackupOrdersByStampThenClashNumber) {
    TempDir dir;
    EXPECT_FALSE(newest_backup(dir.path()));
    EXPECT_FALSE(newest_backup(dir.path() / "missing"));
    ASSERT_TRUE(save_table_backup("00", dir.path(), at(7, 0, 0)).ok);
    ASSERT_TRUE(save_table_backup("01", dir.path(), at(7, 0, 0)).ok);
    ASSERT_TRUE(save_table_backup("02", dir.path(), at(6, 0, 0)).ok);
    EXPECT_EQ(newest_backup(dir.path()), dir.path() / "code-table-20261209-070000-1.hex");
}

TEST(TableBackup, UnusableFolderIsReported) {
    TempDir dir;
    const fs::path file = dir.path() / "a-file";
    std::ofstream(file) << "x";
    const fs::path cases[] = {file, file / "sub", fs::path()};
    for (const auto& folder : cases) {
        const BackupResult r = save_table_backup("0000", folder, at(1, 2, 3));
        EXPECT_FALSE(r.ok) << folder;
        EXPECT_FALSE(r.error.empty()) << folder;
    }
    EXPECT_EQ(read_file(file), "x");
}

}  // namespace
}  // namespace orvalin::learning
