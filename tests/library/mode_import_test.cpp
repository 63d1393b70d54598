// A whole mode from one file through the session core: every mapped signal
// recognised with the code-info file, the keys it replaces named, and the
// table written once with one backup; a refused write leaves the keys owed.
#include "library/mode_import.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "library/key_mapping.h"
#include "library/key_names.h"
#include "library/library_file.h"
#include "tests/learning/table_builder.h"

namespace orvalin::library {
namespace {

namespace fs = std::filesystem;

const fs::path kTree = fs::path(ORVALIN_TEST_DATA_DIR) / "library" / "tree";
const fs::path kCodeInfo = fs::path(ORVALIN_PROGRAM_DIR) / "QZ01.csl";

struct Remote {
    std::string held;
    int writes = 0;
    int backups = 0;
    bool refuse = false;
    learning::SessionIo io() {
        learning::SessionIo io;
        io.write = [this](const std::string& table) {
            ++writes;
            if (refuse) return false;
            held = table;
            return true;
        };
        io.backup = [this](std::string_view) {
            ++backups;
            return learning::BackupResult{true, "backup.hex", ""};
        };
        io.write_without_backup = [](const std::string&) { return false; };
        io.save_unwritten = [](std::string_view) {
            return learning::BackupResult{true, "unwritten.hex", ""};
        };
        return io;
    }
};

KeyNames names() {
    std::string why;
    auto n = KeyNames::load(fs::path(ORVALIN_SOURCE_DIR) / "data" / "key-names.tsv", why);
    EXPECT_TRUE(n) << why;
    return n ? *n : KeyNames{};
}

ImportPlan plan_for(const fs::path& file, int mode, const learning::KeyStates& keys) {
    const LibraryFile f = read_library_file(file, kTree);
    EXPECT_TRUE(f.ok()) << f.error;
    std::vector<std::string> signal_names;
    for (const auto& s : f.signals) signal_names.push_back(s.name);
    return plan_import(f.path, mode, f.signals, map_signals(signal_names, names()), keys, kCodeInfo,
                       {});
}

const ImportKey& key_named(const ImportPlan& plan, const std::string& signal) {
    for (const auto& k : plan.keys)
        if (k.signal == signal) return k;
    static const ImportKey none;
    ADD_FAILURE() << "no signal " << signal;
    return none;
}

TEST(ModeImport, EveryMappedSignalIsRecognisedAsItsProtocol) {
    struct Case {
        const char* file;
        int mode;
        const char* signal;
        int key;
        const char* type;
    };
    const std::vector<Case> cases = {
        {"TVs/Samsung/Samsung_UE40.ir", 0, "Vol_up", 0x10, "Samsung32"},
        {"TVs/Samsung/Samsung_UE40.ir", 0, "Menu", 0x16, "Samsung32"},
        {"Blu-Ray_Players/Sony/Sony_BDP-S1700.ir", 2, "Play", 0x20, "Sony20"},
        {"Philips/TV/0,-1.csv", 1, "VOLUME UP", 0x10, "RC5"},
        {"lirc/pioneer/lircd.conf.dvd", 2, "KEY_POWER", 0x00, "NEC1"},
        {"Pronto/LG/lg_tv.pronto", 0, "Power", 0x00, "NEC1"},
    };
    for (const Case& c : cases) {
        const ImportPlan plan = plan_for(kTree / c.file, c.mode, {});
        const ImportKey& k = key_named(plan, c.signal);
        EXPECT_EQ(k.key_code, c.key) << c.file << " " << c.signal;
        EXPECT_TRUE(k.learned) << c.file << " " << c.signal << ": " << k.reason;
        EXPECT_EQ(k.type, c.type) << c.file << " " << c.signal;
        // The table is the key's own in that mode.
        EXPECT_EQ(k.table.substr(4, 2), learning::table_code(c.key, c.mode)) << k.table;
    }
    // Every mapped signal of these files is learned.
    for (const char* file :
         {"TVs/Samsung/Samsung_UE40.ir", "Philips/TV/0,-1.csv", "lirc/pioneer/lircd.conf.dvd",
          "Blu-Ray_Players/Sony/Sony_BDP-S1700.ir"}) {
        const ImportPlan plan = plan_for(kTree / file, 0, {});
        for (const auto& k : plan.keys) {
            if (k.key_code >= 0) {
                EXPECT_TRUE(k.learned) << file << " " << k.signal << ": " << k.reason;
            } else {
                EXPECT_FALSE(k.reason.empty()) << k.signal;
            }
        }
    }
}

TEST(ModeImport, OneSessionOneWriteAndTheReplacedKeysNamed) {
    Remote remote;
    learning::Session session(remote.io());
    // The remote holds a learned TV VOL+ and a learned CBL VOL+.
    remote.held = learning::testing::build_table(
        {}, {{"10", "CF", "0A00", "5AA5"}, {"43", "CF", "0A00", "5AA5"}});
    ASSERT_EQ(session.load(learning::testing::read_buffer(remote.held)),
              learning::TableError::none);

    ImportPlan plan = plan_for(kTree / "TVs/Samsung/Samsung_UE40.ir", 0, session.keys());
    EXPECT_EQ(plan.replaced(), (std::vector<int>{0x10}));  // CBL's VOL+ is another mode's
    EXPECT_EQ(plan.learned_count(), 26u);
    ASSERT_EQ(apply_import(session, plan), ImportWrite::written);
    EXPECT_EQ(remote.writes, 1);
    EXPECT_EQ(remote.backups, 1);
    EXPECT_EQ(remote.held, session.table());
    std::size_t learned_tv = 0;
    for (const auto& k : session.keys()) {
        EXPECT_NE(k.state, learning::KeyState::pending);
        if (k.code < 51 && learning::is_learned(k.state)) ++learned_tv;
    }
    EXPECT_EQ(learned_tv, 26u);
    EXPECT_NE(learning::find_key(session.keys(), 0x43), nullptr);  // untouched

    // Importing again: every key now replaces its own.
    const ImportPlan again = plan_for(kTree / "TVs/Samsung/Samsung_UE40.ir", 0, session.keys());
    EXPECT_EQ(again.replaced().size(), 26u);
}

TEST(ModeImport, ARefusedWriteKeepsTheKeysOwedAndNothingLearnedWritesNothing) {
    Remote remote;
    remote.held = learning::testing::build_table({}, {});
    learning::Session session(remote.io());
    ASSERT_EQ(session.load(learning::testing::read_buffer(remote.held)),
              learning::TableError::none);
    remote.refuse = true;
    ImportPlan plan = plan_for(kTree / "Philips/TV/0,-1.csv", 2, session.keys());
    EXPECT_EQ(apply_import(session, plan), ImportWrite::refused);
    EXPECT_EQ(remote.writes, 1);
    EXPECT_TRUE(session.owed_to_remote());

    Remote other;
    other.held = remote.held;
    learning::Session fresh(other.io());
    ASSERT_EQ(fresh.load(learning::testing::read_buffer(other.held)), learning::TableError::none);
    // Every signal left out by the user: nothing to learn, nothing written.
    const LibraryFile fan = read_library_file(kTree / "Broadlink/fan.broadlink", kTree);
    auto mapping = map_signals({fan.signals[0].name, fan.signals[1].name}, names());
    std::string why;
    for (std::size_t i = 0; i < mapping.size(); ++i) ASSERT_TRUE(assign(mapping, i, -1, why));
    ImportPlan none = plan_import(fan.path, 0, fan.signals, mapping, fresh.keys(), kCodeInfo, {});
    EXPECT_EQ(none.learned_count(), 0u);
    EXPECT_EQ(apply_import(fresh, none), ImportWrite::nothing_learned);
    EXPECT_EQ(other.writes, 0);
    EXPECT_FALSE(fresh.changed());
}

}  // namespace
}  // namespace orvalin::library
