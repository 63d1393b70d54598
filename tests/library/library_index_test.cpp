// The index over folders of code files: what it tells of each file of a
// fixture tree in every format, broken files listed with the reader's error,
// search, the incremental update, a folder of many generated files, and an
// index file that is not an index.
#include "library/library_index.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "library/irdb_csv.h"
#include "library/library_file.h"
#include "library/library_folders.h"

namespace orvalin::library {
namespace {

namespace fs = std::filesystem;

const fs::path kTree = fs::path(ORVALIN_TEST_DATA_DIR) / "library" / "tree";

class Index : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "orvalin-library-XXXXXX").string();
        dir_ = ::mkdtemp(tmpl.data());
        fs::copy(kTree, dir_ / "tree", fs::copy_options::recursive);
        std::string why;
        index_ = LibraryIndex::open(dir_ / "cache" / "library.sqlite", why);
        ASSERT_TRUE(index_) << why;
    }
    void TearDown() override {
        index_.reset();
        fs::remove_all(dir_);
    }
    std::map<std::string, FileEntry> by_name() const {
        std::map<std::string, FileEntry> out;
        for (const auto& e : index_->search("", std::nullopt, 1000))
            out[fs::path(e.path).filename().string()] = e;
        for (const auto& e : index_->unreadable()) out[fs::path(e.path).filename().string()] = e;
        return out;
    }
    // Rewrites a file with a modification time that differs for certain.
    void rewrite(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(5));
    }
    fs::path tree() const { return dir_ / "tree"; }
    fs::path dir_;
    std::unique_ptr<LibraryIndex> index_;
};

TEST_F(Index, EachFormatOfTheTreeWithBrandModelKindAndSignals) {
    const UpdateStats stats = index_->update({tree()});
    EXPECT_EQ(stats.files, 9u);  // README and .git are no code files
    EXPECT_EQ(stats.read, 9u);
    EXPECT_EQ(stats.unreadable, 3u);
    const auto files = by_name();
    struct Case {
        const char* file;
        const char* format;
        const char* brand;
        const char* model;
        const char* kind;
        int signals;
    };
    const std::vector<Case> cases = {
        {"Samsung_UE40.ir", "flipper", "Samsung", "Samsung_UE40", "TV", 27},
        {"Sony_BDP-S1700.ir", "flipper", "Sony", "Sony_BDP-S1700", "DVD", 11},
        {"0,-1.csv", "irdb", "Philips", "0,-1", "TV", 7},
        {"lircd.conf.dvd", "lirc", "pioneer", "dvd", "DVD", 9},
        {"lg_tv.pronto", "pronto", "LG", "lg_tv", "TV", 5},
        {"fan.broadlink", "broadlink", "Broadlink", "fan", "other", 2},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(files.count(c.file)) << c.file;
        const FileEntry& e = files.at(c.file);
        EXPECT_EQ(e.error, "") << c.file;
        EXPECT_EQ(e.format, c.format) << c.file;
        EXPECT_EQ(e.brand, c.brand) << c.file;
        EXPECT_EQ(e.model, c.model) << c.file;
        EXPECT_EQ(e.kind, c.kind) << c.file;
        EXPECT_EQ(e.signals, c.signals) << c.file;
        EXPECT_EQ(e.folder, tree().string());
    }
    // Broken files are listed with what the reader said, and never searched.
    const std::vector<std::pair<const char*, const char*>> broken = {
        {"1,-1.csv", "1,-1.csv:2: device, subdevice and function are numbers"},
        {"bad_protocol.ir", "protocol 'NoSuchProtocol' is not supported"},
        {"empty.ir", "no 'Filetype: IR signals file' header"},
    };
    for (const auto& [file, message] : broken) {
        ASSERT_TRUE(files.count(file)) << file;
        EXPECT_NE(files.at(file).error.find(message), std::string::npos) << files.at(file).error;
    }
    EXPECT_TRUE(index_->search("NoSuchProtocol", std::nullopt).empty());
    const auto counts = index_->counts();
    ASSERT_EQ(counts.size(), 1u);
    EXPECT_EQ(counts[0].files, 9u);
    EXPECT_EQ(counts[0].signals, 61u);
    EXPECT_EQ(counts[0].unreadable, 3u);
}

TEST_F(Index, SearchByBrandModelKindAndSignalNames) {
    index_->update({tree()});
    struct Case {
        std::string text;
        std::optional<DeviceKind> kind;
        std::vector<std::string> models;  // in any order
    };
    const std::vector<Case> cases = {
        {"samsung", std::nullopt, {"Samsung_UE40"}},
        {"SAMS", std::nullopt, {"Samsung_UE40"}},  // word prefix
        {"sony bdp", std::nullopt, {"Sony_BDP-S1700"}},
        {"netflix", std::nullopt, {"Samsung_UE40"}},         // a signal name
        {"volume", std::nullopt, {"0,-1", "dvd", "lg_tv"}},  // VOLUME UP, KEY_VOLUMEUP, Volume up
        {"teletext", std::nullopt, {"0,-1"}},  // an unsupported irdb row still names it
        {"", DeviceKind::dvd, {"Sony_BDP-S1700", "dvd"}},
        {"power", DeviceKind::tv, {"Samsung_UE40", "0,-1", "lg_tv"}},
        {"tv", std::nullopt, {"Samsung_UE40", "0,-1", "lg_tv"}},
        {"nothing-like-this", std::nullopt, {}},
        {"\"a\" OR (b* NEAR", std::nullopt, {}},  // query syntax is taken as words
        {"pioneer_dvd", std::nullopt, {"dvd"}},   // the LIRC remote's name
    };
    for (const Case& c : cases) {
        std::vector<std::string> models;
        for (const auto& e : index_->search(c.text, c.kind)) models.push_back(e.model);
        std::sort(models.begin(), models.end());
        std::vector<std::string> expected = c.models;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(models, expected) << "'" << c.text << "'";
    }
    const auto hits = index_->search("samsung", std::nullopt);
    ASSERT_EQ(hits.size(), 1u);
    const auto found = index_->find(hits[0].id);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->path, hits[0].path);
    EXPECT_FALSE(index_->find(999999));
}

TEST_F(Index, UpdatesReadOnlyWhatChanged) {
    index_->update({tree()});
    const auto ids = by_name();
    UpdateStats again = index_->update({tree()});
    EXPECT_EQ(again.files, 9u);
    EXPECT_EQ(again.read, 0u);
    EXPECT_EQ(again.removed, 0u);

    // A changed file is read again and keeps its id; a mended broken file becomes searchable.
    const fs::path samsung = tree() / "TVs" / "Samsung" / "Samsung_UE40.ir";
    std::string text;
    {
        std::ifstream in(samsung);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    rewrite(samsung, text +
                         "#\nname: Zoomify\ntype: parsed\nprotocol: Samsung32\naddress: 07 "
                         "00 00 00\ncommand: 60 00 00 00\n");
    rewrite(tree() / "Broken" / "TV" / "1,-1.csv",
            "functionname,protocol,device,subdevice,function\nPOWER,NEC1,1,-1,8\n");
    fs::remove(tree() / "Broadlink" / "fan.broadlink");
    again = index_->update({tree()});
    EXPECT_EQ(again.read, 2u);
    EXPECT_EQ(again.removed, 1u);
    EXPECT_EQ(again.files, 8u);
    const auto now = by_name();
    EXPECT_EQ(now.at("Samsung_UE40.ir").id, ids.at("Samsung_UE40.ir").id);
    EXPECT_EQ(now.at("Samsung_UE40.ir").signals, 28);
    EXPECT_EQ(now.at("1,-1.csv").error, "");
    EXPECT_FALSE(now.count("fan.broadlink"));
    ASSERT_EQ(index_->search("zoomify", std::nullopt).size(), 1u);

    // A folder no longer given takes its files out of the index.
    again = index_->update({});
    EXPECT_EQ(again.removed, 8u);
    EXPECT_TRUE(index_->search("", std::nullopt).empty());
    EXPECT_TRUE(index_->counts().empty());
}

TEST_F(Index, AThousandGeneratedFilesWithProgressAndStop) {
    const fs::path many = dir_ / "many";
    for (int i = 0; i < 1000; ++i) {
        const fs::path folder = many / ("Brand" + std::to_string(i % 37)) / "TV";
        fs::create_directories(folder);
        std::ofstream(folder / ("model_" + std::to_string(i) + ".ir"))
            << "Filetype: IR signals file\nVersion: 1\n#\nname: Power\ntype: parsed\nprotocol: "
               "NEC\naddress: 04 00 00 00\ncommand: 08 00 00 00\n#\nname: Key"
            << i << "\ntype: parsed\nprotocol: NEC\naddress: 04 00 00 00\ncommand: 09 00 00 00\n";
    }
    // Stopped after 100 files: those stay, the next update reads the rest.
    std::size_t last_total = 0;
    UpdateStats stats = index_->update({many}, [&](std::size_t done, std::size_t total) {
        last_total = total;
        return done < 100;
    });
    EXPECT_EQ(last_total, 1000u);
    EXPECT_EQ(stats.read, 100u);
    std::size_t calls = 0, last_done = 0;
    stats = index_->update({many}, [&](std::size_t done, std::size_t) {
        ++calls;
        EXPECT_GE(done, last_done);
        last_done = done;
        return true;
    });
    EXPECT_EQ(stats.read, 900u);
    EXPECT_EQ(last_done, 900u);
    EXPECT_GT(calls, 900u);
    EXPECT_EQ(stats.unreadable, 0u);
    EXPECT_EQ(index_->search("", std::nullopt, 5000).size(), 1000u);
    const auto hit = index_->search("key777", std::nullopt);
    ASSERT_EQ(hit.size(), 1u);
    EXPECT_EQ(hit[0].model, "model_777");
    EXPECT_EQ(hit[0].brand, "Brand0");  // 777 % 37 == 0
    EXPECT_EQ(hit[0].kind, "TV");
}

TEST_F(Index, UnreadableFilesAndForeignIndexFiles) {
    std::size_t files_in_tree = 9;
    if (::geteuid() != 0) {
        ++files_in_tree;
        const fs::path locked = tree() / "TVs" / "Samsung" / "locked.ir";
        std::ofstream(locked) << "Filetype: IR signals file\n";
        fs::permissions(locked, fs::perms::none);
        index_->update({tree()});
        const auto files = by_name();
        ASSERT_TRUE(files.count("locked.ir"));
        EXPECT_NE(files.at("locked.ir").error.find("cannot read the file"), std::string::npos)
            << files.at("locked.ir").error;
        fs::permissions(locked, fs::perms::owner_all);
    }
    // A cache file that is no index of ours is replaced, never a failure.
    index_.reset();
    const fs::path file = dir_ / "cache" / "library.sqlite";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(5000, 'x');
    std::string why;
    index_ = LibraryIndex::open(file, why);
    ASSERT_TRUE(index_) << why;
    EXPECT_EQ(index_->update({tree()}).read, files_in_tree);
    EXPECT_FALSE(LibraryIndex::open("", why));

    // An index of an older layout is made anew, not used as it is.
    index_.reset();
    fs::remove(file);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE files(id INTEGER PRIMARY KEY, path TEXT UNIQUE);"
                           "INSERT INTO files(path) VALUES('/old');PRAGMA user_version=1;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    index_ = LibraryIndex::open(file, why);
    ASSERT_TRUE(index_) << why;
    EXPECT_EQ(index_->update({tree()}).read, files_in_tree);
    EXPECT_EQ(index_->search("samsung", std::nullopt).size(), 1u);
}

TEST_F(Index, EachRemoteOfAFileOfSeveralIsAnEntryOfItsOwn) {
    const fs::path folder = dir_ / "several";
    fs::create_directories(folder / "acme");
    const fs::path file = folder / "acme" / "lircd.conf.combo";
    fs::copy_file(fs::path(ORVALIN_TEST_DATA_DIR) / "formats" / "remotes.lircd.conf", file);
    EXPECT_EQ(index_->update({folder}).files, 1u);
    std::map<std::string, FileEntry> by_remote;
    for (const auto& e : index_->search("", std::nullopt)) by_remote[e.remote] = e;
    ASSERT_EQ(by_remote.size(), 2u);
    EXPECT_EQ(by_remote["tv"].model, "tv");
    EXPECT_EQ(by_remote["fan"].model, "fan");
    EXPECT_EQ(by_remote["tv"].brand, "acme");
    EXPECT_EQ(by_remote["tv"].signals, 2);
    // Search finds the remote whose signals match, not the whole file.
    const auto speed = index_->search("speed", std::nullopt);
    ASSERT_EQ(speed.size(), 1u);
    EXPECT_EQ(speed[0].remote, "fan");
    const LibraryFile fan = read_entry(speed[0]);
    ASSERT_TRUE(fan.ok()) << fan.error;
    ASSERT_EQ(fan.signals.size(), 2u);
    EXPECT_EQ(fan.signals[1].name, "KEY_SPEED");

    // The file keeps one remote: the other's entry goes, the kept one keeps its id.
    std::string text;
    {
        std::ifstream in(file);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    rewrite(file, text.substr(0, text.find("begin remote", text.find("end remote"))));
    index_->update({folder});
    const auto left = index_->search("", std::nullopt);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].remote, "");  // one remote: named by the file
    EXPECT_EQ(left[0].model, "combo");
}

TEST(LibraryFolders, AddedFoldersAreKeptInOrderOnceEach) {
    std::string tmpl = (fs::temp_directory_path() / "orvalin-folders-XXXXXX").string();
    const fs::path dir = ::mkdtemp(tmpl.data());
    const fs::path settings = dir / "config" / "orvalin" / "library-folders";
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    std::string why;
    EXPECT_TRUE(add_folder(settings, dir / "b", why)) << why;
    EXPECT_TRUE(add_folder(settings, dir / "a" / "", why)) << why;
    EXPECT_FALSE(add_folder(settings, dir / "a" / ".." / "b", why));  // b once more
    EXPECT_NE(why.find("already in the library"), std::string::npos);
    EXPECT_FALSE(add_folder(settings, dir / "missing", why));
    EXPECT_NE(why.find("is not a folder that can be read"), std::string::npos);
    std::ofstream(dir / "file") << "x";
    EXPECT_FALSE(add_folder(settings, dir / "file", why));
    EXPECT_EQ(read_folders(settings), (std::vector<fs::path>{dir / "b", dir / "a"}));
    EXPECT_TRUE(remove_folder(settings, dir / "b" / "", why)) << why;
    EXPECT_FALSE(remove_folder(settings, dir / "b", why));
    EXPECT_EQ(read_folders(settings), (std::vector<fs::path>{dir / "a"}));
    // Lines that are no absolute folders are skipped, repeats kept once.
    std::ofstream(settings, std::ios::trunc) << "relative/x\n\n"
                                             << dir.string() << "/a\n"
                                             << dir.string() << "/a/\r\n";
    EXPECT_EQ(read_folders(settings), (std::vector<fs::path>{dir / "a"}));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace orvalin::library
