// The session core without a window or a device: learning, commit and decline,
// deletions, clearing a mode, failed writes and what stays owed to the remote,
// backups before every write. The remote is a pair of functions handed in.
#include "learning/session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/learning/table_builder.h"

namespace orvalin::learning {
namespace {

using testing::build_table;
using testing::Rec;

// A remote as the session sees it: what it holds, the writes, the backups.
struct FakeRemote {
    std::string held;
    int writes = 0;
    bool refuse = false;
    bool backup_fails = false;
    bool write_without_backup = false;
    std::vector<std::string> backups;  // what each backup saved
    std::vector<std::string> asked;    // why a write without backup was asked for
    std::vector<std::string> log;
    std::vector<std::string> unwritten;  // what each failed write saved

    SessionIo io() {
        return {
            [this](const std::string& table) {
                ++writes;
                if (refuse) return false;
                held = table;
                return true;
            },
            [this](std::string_view remote) {
                BackupResult r;
                if (backup_fails) {
                    r.error = "folder not writable";
                    return r;
                }
                backups.emplace_back(remote);
                r.ok = true;
                r.file = "backup-" + std::to_string(backups.size()) + ".hex";
                return r;
            },
            [this](const std::string& why) {
                asked.push_back(why);
                return write_without_backup;
            },
            [this](const std::string& line) { log.push_back(line); },
            [this](std::string_view table) {
                unwritten.emplace_back(table);
                return BackupResult{true, "unwritten-" + std::to_string(unwritten.size()) + ".hex",
                                    ""};
            },
        };
    }
    bool logged(const std::string& start) const {
        for (const std::string& l : log)
            if (l.starts_with(start)) return true;
        return false;
    }
};

// Presets in CBL (35, 40; 40 the second key of a link pair with 33) and the given
// learned keys.
std::string factory_table(const std::vector<std::string>& learned = {}) {
    std::vector<Rec> recs = {{"33", "0F", "A1B2C3D4", "010203"},
                             {"35", "0F", "A1B2C3D4", "040506"},
                             {"40", "0F", "A1B2C3D4", "070809"}};
    for (const std::string& code : learned) recs.push_back({code, "CF", "5A5A1234", "C0FFEE"});
    std::sort(recs.begin(), recs.end(), [](const Rec& a, const Rec& b) { return a.code < b.code; });
    return build_table({{"33", "40"}}, recs);
}

// As start-up keeps it: the digits read, then zero characters.
std::string read_buffer(const std::string& table) {
    return table + std::string(400, '\0');
}

std::string one_key(const std::string& code) {
    return "0001" + code + "CF000004000003" + "5A5A1234" + "C0FFEE";
}

KeyEntry key(int code, KeyState state) {
    return {code, state};
}

class SessionCore : public ::testing::Test {
  protected:
    void open(const std::vector<std::string>& learned = {}) {
        remote.held = factory_table(learned);
        ASSERT_EQ(session.load(read_buffer(remote.held)), TableError::none);
    }
    void learn(int key_code) {
        ASSERT_EQ(
            session.add_learned_key(key_code, one_key(table_code(key_code, session.device_mode()))),
            TableError::none);
    }
    // The stop of learning with the user's answer.
    bool stop(bool keep) {
        session.stop_learning();
        bool written = true;
        if (session.changed()) {
            if (keep)
                written = session.commit();
            else
                session.decline();
            session.confirm_pending();
        }
        return written;
    }
    KeyStates remote_keys() const { return read_key_lines(parse_key_lines(remote.held).lines); }

    FakeRemote remote;
    Session session{remote.io()};
};

TEST_F(SessionCore, LoadKeepsTheReadTableAndItsKeys) {
    open({"10"});
    EXPECT_EQ(session.table().size(), factory_table({"10"}).size() + 400);
    EXPECT_EQ(session.working_table(), session.table());
    // 40 is the second key of a link pair holding a preset: not listed.
    EXPECT_EQ(session.keys(), (KeyStates{key(0x10, KeyState::stored), key(0x33, KeyState::preset),
                                         key(0x35, KeyState::preset)}));
    EXPECT_TRUE(session.has_learned_keys());
    EXPECT_FALSE(session.changed());
    EXPECT_FALSE(session.owed_to_remote());

    Session other;
    EXPECT_EQ(other.load(std::string(200, 'F')), TableError::malformed);
    EXPECT_TRUE(other.table().empty());
    EXPECT_TRUE(other.keys().empty());
}

TEST_F(SessionCore, LearnedKeyIsWrittenOnlyOnCommit) {
    open();
    const std::string before = remote.held;
    session.start_learning();
    learn(0x10);
    EXPECT_EQ(session.keys().front(), key(0x10, KeyState::pending));
    EXPECT_TRUE(session.changed());
    EXPECT_NE(session.working_table(), session.table());
    EXPECT_EQ(remote.writes, 0);

    EXPECT_TRUE(stop(true));
    EXPECT_FALSE(session.learning());
    EXPECT_EQ(remote.writes, 1);
    EXPECT_EQ(session.keys().front(), key(0x10, KeyState::stored));
    EXPECT_FALSE(session.changed());
    EXPECT_EQ(session.table(), session.working_table());
    EXPECT_EQ(remote.held, session.table());
    EXPECT_EQ(remote_keys(), session.keys());
    // The backup holds what the remote held before the write.
    ASSERT_EQ(remote.backups.size(), 1u);
    EXPECT_EQ(remote.backups[0], before);
    EXPECT_TRUE(remote.logged("backup: backup-1.hex"));
}

TEST_F(SessionCore, DeclineLeavesTheRemoteAndRestoresEveryKey) {
    open();
    session.start_learning();
    learn(0x10);
    ASSERT_TRUE(stop(true));
    const KeyStates keys_before = session.keys();
    const std::string table_before = session.table();

    session.start_learning();
    EXPECT_TRUE(session.holds_learned_code(0x10));  // relearning asks
    learn(0x10);
    EXPECT_TRUE(session.holds_learned_code(0x10));  // pending asks too
    EXPECT_FALSE(session.holds_learned_code(0x12));
    learn(0x12);
    session.set_device_mode(1);
    EXPECT_FALSE(session.holds_learned_code(0x02));  // a preset: relearned without asking
    learn(0x02);                                     // table code 35
    EXPECT_EQ(*find_key(session.keys(), 0x35), key(0x35, KeyState::pending));

    stop(false);
    EXPECT_EQ(remote.writes, 1);
    EXPECT_EQ(session.keys(), keys_before);
    EXPECT_EQ(session.table(), table_before);
    EXPECT_EQ(session.working_table(), table_before);
    EXPECT_FALSE(session.changed());
}

TEST_F(SessionCore, DeclineDoesNotBringBackAStateFromAnEarlierSession) {
    open();
    session.set_device_mode(1);
    // A preset learned and kept (its preset state is remembered), then deleted.
    session.start_learning();
    learn(0x02);
    ASSERT_TRUE(stop(true));
    session.set_deleting(true);
    ASSERT_EQ(session.check_delete(0x02), DeleteCheck::ok);
    ASSERT_EQ(session.delete_key(0x02), TableError::none);
    ASSERT_TRUE(session.write_deletions());
    ASSERT_FALSE(find_key(session.keys(), 0x35));

    // Learned again and declined: still no code, not the old preset.
    session.start_learning();
    learn(0x02);
    stop(false);
    EXPECT_FALSE(find_key(session.keys(), 0x35));
    EXPECT_FALSE(find_key(remote_keys(), 0x35));
}

TEST_F(SessionCore, CodeArrivingAfterAModeSwitchGoesToTheNewMode) {
    open();
    session.start_learning();
    session.set_device_mode(1);
    learn(0x10);
    EXPECT_EQ(*find_key(session.keys(), 0x43), key(0x43, KeyState::pending));
    EXPECT_FALSE(find_key(session.keys(), 0x10));
}

TEST_F(SessionCore, UnusableOneKeyTableChangesNothing) {
    open();
    session.start_learning();
    const std::string working = session.working_table();
    EXPECT_EQ(session.add_learned_key(0x10, "0001"), TableError::malformed);
    EXPECT_EQ(session.working_table(), working);
    EXPECT_FALSE(session.changed());
    EXPECT_FALSE(find_key(session.keys(), 0x10));
}

TEST_F(SessionCore, FailedCommitKeepsTheSessionForTheNextAttempt) {
    open();
    const std::string before = remote.held;
    session.start_learning();
    learn(0x10);
    remote.refuse = true;
    EXPECT_FALSE(stop(true));
    EXPECT_TRUE(session.changed());
    EXPECT_TRUE(session.owed_to_remote());
    EXPECT_EQ(remote.held, before);
    EXPECT_TRUE(remote.logged("WCodeTypeData failed"));
    ASSERT_EQ(remote.backups.size(), 1u);
    EXPECT_EQ(remote.backups[0], before);
    // The refused table, with the learned key, is saved beside the backups.
    ASSERT_EQ(remote.unwritten.size(), 1u);
    EXPECT_EQ(remote.unwritten[0], std::string(table_without_padding(session.table())));
    EXPECT_TRUE(find_key(read_key_lines(parse_key_lines(remote.unwritten[0]).lines), 0x10));
    EXPECT_TRUE(session.unwritten().ok);
    EXPECT_EQ(session.unwritten().file, "unwritten-1.hex");

    // The next stop asks again and writes; the backup still saves the old table.
    remote.refuse = false;
    session.start_learning();
    EXPECT_TRUE(stop(true));
    EXPECT_FALSE(session.changed());
    EXPECT_TRUE(find_key(remote_keys(), 0x10));
    EXPECT_EQ(remote.backups.back(), before);
    EXPECT_FALSE(session.unwritten().ok);  // a write that held saves nothing
    EXPECT_EQ(remote.unwritten.size(), 1u);
}

TEST_F(SessionCore, DecliningLaterKeepsKeysWhoseWriteFailed) {
    open();
    session.start_learning();
    learn(0x10);
    remote.refuse = true;
    ASSERT_FALSE(stop(true));
    remote.refuse = false;

    session.start_learning();
    learn(0x12);
    stop(false);
    EXPECT_TRUE(session.changed());  // the first key is still owed
    EXPECT_EQ(*find_key(session.keys(), 0x10), key(0x10, KeyState::stored));
    EXPECT_FALSE(find_key(session.keys(), 0x12));

    session.start_learning();
    EXPECT_TRUE(stop(true));
    EXPECT_FALSE(session.changed());
    EXPECT_TRUE(find_key(remote_keys(), 0x10));
    EXPECT_FALSE(find_key(remote_keys(), 0x12));
}

TEST_F(SessionCore, BackupThatCannotBeSavedAsksBeforeWriting) {
    open();
    remote.backup_fails = true;
    session.start_learning();
    learn(0x10);
    EXPECT_FALSE(stop(true));
    EXPECT_EQ(remote.writes, 0);
    EXPECT_EQ(remote.asked, std::vector<std::string>{"folder not writable"});
    EXPECT_TRUE(remote.logged("backup failed: folder not writable"));
    EXPECT_EQ(remote.unwritten.size(), 1u);  // not written for want of a backup: saved

    remote.write_without_backup = true;
    session.start_learning();
    EXPECT_TRUE(stop(true));
    EXPECT_EQ(remote.writes, 1);
}

TEST_F(SessionCore, TableThatCannotBeWrittenIsRefusedBeforeTheDevice) {
    Session empty(remote.io());
    EXPECT_FALSE(empty.write_table(std::string(10, '\0')));
    EXPECT_FALSE(empty.write_table(std::string(kMaxTableChars + 2, 'A')));
    EXPECT_EQ(remote.writes, 0);
    EXPECT_TRUE(remote.backups.empty());
    EXPECT_TRUE(remote.logged("write refused: table of 8202 characters"));
}

TEST_F(SessionCore, DeleteChecksEveryRefusal) {
    Session nothing(remote.io());
    EXPECT_EQ(nothing.check_delete(0x10), DeleteCheck::no_keys);
    open({"10"});
    EXPECT_EQ(session.check_delete(0x10), DeleteCheck::ok);
    EXPECT_EQ(session.check_delete(0x12), DeleteCheck::not_learned);  // no entry
    session.set_device_mode(1);
    EXPECT_EQ(session.check_delete(0x02), DeleteCheck::not_learned);  // 35: a preset
    EXPECT_EQ(session.check_delete(0x10), DeleteCheck::not_learned);  // 43 in CBL
}

TEST_F(SessionCore, TwoDeletionsAreWrittenOnce) {
    open({"10", "12", "15"});
    const std::string before = remote.held;
    session.set_deleting(true);
    ASSERT_EQ(session.delete_key(0x10), TableError::none);
    ASSERT_EQ(session.delete_key(0x12), TableError::none);
    EXPECT_EQ(remote.writes, 0);
    EXPECT_TRUE(session.changed());
    EXPECT_TRUE(session.has_learned_keys());

    ASSERT_TRUE(session.write_deletions());
    EXPECT_EQ(remote.writes, 1);
    EXPECT_FALSE(session.changed());
    EXPECT_EQ(session.working_table(), session.table());
    const KeyStates held = remote_keys();
    EXPECT_FALSE(find_key(held, 0x10));
    EXPECT_FALSE(find_key(held, 0x12));
    EXPECT_TRUE(find_key(held, 0x15));
    EXPECT_EQ(remote.backups, std::vector<std::string>{before});
}

TEST_F(SessionCore, CblKey04DeletesTableCode37) {
    open({"04", "37"});
    session.set_device_mode(1);
    ASSERT_EQ(session.delete_key(0x04), TableError::none);
    EXPECT_TRUE(find_key(session.keys(), 0x04));
    EXPECT_FALSE(find_key(session.keys(), 0x37));
    ASSERT_TRUE(session.write_deletions());
    EXPECT_TRUE(find_key(remote_keys(), 0x04));
    EXPECT_FALSE(find_key(remote_keys(), 0x37));
}

TEST_F(SessionCore, FailedDeletionWriteStaysPendingUntilGivenUp) {
    open({"10", "12"});
    session.set_deleting(true);
    ASSERT_EQ(session.delete_key(0x10), TableError::none);
    const std::string pending = session.table();
    remote.refuse = true;
    EXPECT_FALSE(session.write_deletions());
    EXPECT_TRUE(session.changed());
    EXPECT_EQ(session.table(), pending);
    EXPECT_TRUE(session.owed_to_remote());
    remote.refuse = false;
    ASSERT_TRUE(session.write_deletions());
    EXPECT_FALSE(session.owed_to_remote());

    ASSERT_EQ(session.delete_key(0x12), TableError::none);
    session.give_up_deletions();
    EXPECT_FALSE(session.changed());
    EXPECT_FALSE(session.deleting());
    EXPECT_TRUE(session.owed_to_remote());
}

TEST_F(SessionCore, DeleteStateEndsWhenNoLearnedKeyIsLeft) {
    open({"10"});
    session.set_deleting(true);
    session.settle_deleting();
    EXPECT_TRUE(session.deleting());
    ASSERT_EQ(session.delete_key(0x10), TableError::none);
    session.settle_deleting();
    EXPECT_FALSE(session.deleting());
}

TEST_F(SessionCore, ClearAllInDvdTouchesOnlyDvdCodes) {
    open({"10", "37", "66", "70", "98"});
    session.set_device_mode(2);
    EXPECT_EQ(session.learned_keys_in_mode(), (std::vector<int>{0x00, 0x0A, 0x32}));
    const TableResult cleared = session.cleared_table();
    ASSERT_TRUE(cleared.ok());
    ASSERT_TRUE(session.write_cleared());
    EXPECT_EQ(remote.writes, 1);
    for (const KeyStates& keys : {session.keys(), remote_keys()}) {
        EXPECT_TRUE(find_key(keys, 0x10));
        EXPECT_TRUE(find_key(keys, 0x37));
        for (int gone : {0x66, 0x70, 0x98}) EXPECT_FALSE(find_key(keys, gone)) << gone;
    }
    EXPECT_EQ(session.table(), cleared.text);
    EXPECT_EQ(session.working_table(), cleared.text);
    EXPECT_TRUE(session.has_learned_keys());
    EXPECT_TRUE(session.learned_keys_in_mode().empty());
}

TEST_F(SessionCore, PresetsAreNeitherDeletedNorCleared) {
    open();
    session.set_device_mode(1);
    EXPECT_TRUE(session.learned_keys_in_mode().empty());
    EXPECT_EQ(session.check_delete(0x00), DeleteCheck::not_learned);  // 33: a preset
}

TEST_F(SessionCore, FailedClearChangesNothing) {
    open({"10", "12"});
    const KeyStates keys = session.keys();
    const std::string table = session.table();
    const TableResult cleared = session.cleared_table();
    ASSERT_TRUE(cleared.ok());
    remote.refuse = true;
    EXPECT_FALSE(session.write_cleared());
    EXPECT_EQ(session.keys(), keys);
    EXPECT_EQ(session.table(), table);
    EXPECT_FALSE(session.changed());
}

}  // namespace
}  // namespace orvalin::learning
