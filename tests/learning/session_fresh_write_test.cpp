// Every write of the session core goes onto what the remote holds right before it:
// keys another program changed meanwhile are kept, a key changed on both sides is a
// conflict, another remote or a lost link stops the write, a busy remote too, and
// the backup holds the fresh read.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "learning/session.h"
#include "tests/learning/table_builder.h"

namespace orvalin::learning {
namespace {

using testing::build_table;
using testing::Rec;

Rec learned(const std::string& code, const std::string& key = "C0FFEE") {
    return {code, "CF", "5A5A1234", key};
}

std::string table_of(std::vector<Rec> recs) {
    recs.insert(recs.begin(), Rec{"33", "0F", "A1B2C3D4", "010203"});
    std::sort(recs.begin(), recs.end(), [](const Rec& a, const Rec& b) { return a.code < b.code; });
    return build_table({}, recs);
}

std::string image(const std::string& code, const std::string& key) {
    return testing::one_key(code, "5A5A1234", key);
}

// The key's one-key table as the remote holds it once learned (the rebuild marks it).
std::string stored(const std::string& code, const std::string& key) {
    return one_key_text(table_of({learned(code, key)}), hex::number_at(code, 0, 2)).text;
}

// A remote that other programs may change between the session's reads.
struct LiveRemote {
    std::string held;
    std::string info = "INFO-A";
    int writes = 0;
    int reads = 0;
    bool busy = false;
    bool garble_write = false;
    std::optional<std::string> change_before_write;  // what another program writes first
    std::vector<std::string> backups;
    std::vector<std::string> unwritten;
    std::vector<std::vector<int>> asked;
    ConflictChoice answer = ConflictChoice::refuse;
    bool ask = false;

    SessionIo io() {
        SessionIo io{
            [this](const std::string& table) {
                ++writes;
                held = garble_write ? table.substr(0, table.size() - 2) + "00" : table;
                return true;
            },
            [this](std::string_view t) {
                backups.emplace_back(t);
                return BackupResult{true, "b.hex", ""};
            },
            [](const std::string&) { return false; },
            {},
            [this](std::string_view t) {
                unwritten.emplace_back(t);
                return BackupResult{true, "u.hex", ""};
            },
        };
        io.read = [this]() -> std::optional<std::string> {
            ++reads;
            if (change_before_write) {
                held = *change_before_write;
                change_before_write.reset();
            }
            return held + std::string(64, '\0');
        };
        io.identity = [this]() -> std::optional<std::string> { return info; };
        io.lock = [this]() -> std::shared_ptr<void> {
            return busy ? nullptr : std::make_shared<int>(0);
        };
        if (ask)
            io.resolve = [this](const std::vector<int>& codes) {
                asked.push_back(codes);
                return answer;
            };
        return io;
    }
    KeyStates keys() const { return read_key_lines(parse_key_lines(held).lines); }
    std::optional<std::string> key(int code) const {
        const TableResult r = one_key_text(held, code);
        return r.ok() ? std::optional(r.text) : std::nullopt;
    }
};

struct Open {
    LiveRemote remote;
    std::unique_ptr<Session> session;
    explicit Open(std::vector<Rec> recs, bool ask = false,
                  ConflictChoice answer = ConflictChoice::refuse) {
        remote.held = table_of(std::move(recs));
        remote.ask = ask;
        remote.answer = answer;
        session = std::make_unique<Session>(remote.io());
        EXPECT_EQ(session->load(remote.held + std::string(64, '\0')), TableError::none);
        session->set_identity(remote.info);
    }
    void learn(int code, const std::string& key) {
        session->start_learning();
        ASSERT_EQ(session->add_learned_key(code, image(testing::hex2(code), key)),
                  TableError::none);
        session->stop_learning();
    }
};

// What another program did to the remote while the session worked, against what the
// session does; the table codes of the remote at the end and the conflicts.
struct MergeCase {
    const char* name;
    std::vector<Rec> start;
    std::vector<Rec> remote_meanwhile;  // the remote right before the write
    int session_key;                    // learned (or deleted when delete_it)
    bool delete_it;
    std::vector<int> conflicts;
    std::vector<std::string> on_remote;  // table codes of learned keys at the end
};

TEST(FreshWrite, ChangesGoOntoWhatTheRemoteHoldsNow) {
    const std::vector<MergeCase> cases = {
        {"other program learned another key",
         {learned("10")},
         {learned("10"), learned("12")},
         0x14,
         false,
         {},
         {"10", "12", "14"}},
        {"other program deleted another key",
         {learned("10"), learned("12")},
         {learned("12")},
         0x14,
         false,
         {},
         {"12", "14"}},
        {"other program relearned another key",
         {learned("10")},
         {learned("10", "ABCDEF")},
         0x14,
         false,
         {},
         {"10", "14"}},
        {"both learned the same key",
         {learned("10")},
         {learned("10"), learned("14", "ABCDEF")},
         0x14,
         false,
         {0x14},
         {"10", "14"}},
        {"remote relearned the key the session deletes",
         {learned("10"), learned("12")},
         {learned("10", "ABCDEF"), learned("12")},
         0x10,
         true,
         {0x10},
         {"10", "12"}},
        {"remote deleted the key the session relearns",
         {learned("10")},
         {},
         0x10,
         false,
         {0x10},
         {}},
        {"deletion of a key the other program learned elsewhere",
         {learned("10")},
         {learned("10"), learned("16")},
         0x10,
         true,
         {},
         {"16"}},
    };
    for (const MergeCase& c : cases) {
        SCOPED_TRACE(c.name);
        Open o(c.start);
        if (c.delete_it) {
            ASSERT_EQ(o.session->delete_key(c.session_key), TableError::none);
        } else {
            o.learn(c.session_key, "778899");
        }
        const std::string meanwhile = table_of(c.remote_meanwhile);
        o.remote.change_before_write = meanwhile;
        const bool ok = c.delete_it ? o.session->write_deletions() : o.session->commit();
        EXPECT_EQ(o.session->last_write().conflicts, c.conflicts);
        if (!c.conflicts.empty()) {
            // No one to ask: refused, nothing written, the session's table saved.
            EXPECT_FALSE(ok);
            EXPECT_EQ(o.session->last_write().status, WriteStatus::conflict);
            EXPECT_EQ(o.remote.writes, 0);
            EXPECT_EQ(o.remote.held, meanwhile);
            EXPECT_EQ(o.remote.unwritten.size(), 1u);
            continue;
        }
        ASSERT_TRUE(ok);
        // The backup is the remote's table as read right before the write.
        ASSERT_EQ(o.remote.backups.size(), 1u);
        EXPECT_EQ(o.remote.backups[0], meanwhile);
        std::vector<std::string> held;
        for (const KeyEntry& k : o.remote.keys())
            if (is_learned(k.state)) held.push_back(testing::hex2(static_cast<unsigned>(k.code)));
        EXPECT_EQ(held, c.on_remote);
        if (!c.delete_it) {
            EXPECT_EQ(o.remote.key(c.session_key), stored("14", "778899"));
        }
        // The session goes on from what the remote holds.
        EXPECT_EQ(o.session->keys(), o.remote.keys());
        EXPECT_FALSE(o.session->owed_to_remote());
    }
}

TEST(FreshWrite, ConflictAskedKeepsMineOrTheRemotes) {
    for (const ConflictChoice choice : {ConflictChoice::keep_mine, ConflictChoice::keep_remote}) {
        SCOPED_TRACE(choice == ConflictChoice::keep_mine ? "keep mine" : "keep the remote's");
        Open o({learned("10")}, true, choice);
        o.session->start_learning();
        ASSERT_EQ(o.session->add_learned_key(0x10, image("10", "111111")), TableError::none);
        ASSERT_EQ(o.session->add_learned_key(0x11, image("11", "222222")), TableError::none);
        o.session->stop_learning();
        o.remote.change_before_write = table_of({learned("10", "ABCDEF"), learned("20")});
        ASSERT_TRUE(o.session->commit());
        EXPECT_EQ(o.remote.asked, (std::vector<std::vector<int>>{{0x10}}));
        EXPECT_EQ(o.remote.key(0x10), choice == ConflictChoice::keep_mine ? stored("10", "111111")
                                                                          : stored("10", "ABCDEF"));
        EXPECT_EQ(o.remote.key(0x11), stored("11", "222222"));  // not in conflict: written
        EXPECT_TRUE(o.remote.key(0x20));                        // the other program's key
    }
}

TEST(FreshWrite, NothingGoesToAnotherRemoteOrABusyOne) {
    struct Case {
        const char* name;
        void (*before)(Open&);
        WriteStatus status;
    };
    const std::vector<Case> cases = {
        {"basic information differs", [](Open& o) { o.remote.info = "INFO-B"; },
         WriteStatus::other_remote},
        {"link lost and back", [](Open& o) { o.session->link_lost(); }, WriteStatus::other_remote},
        {"another program writes", [](Open& o) { o.remote.busy = true; }, WriteStatus::busy},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open o({learned("10")});
        o.learn(0x12, "778899");
        const std::string before = o.remote.held;
        c.before(o);
        EXPECT_FALSE(o.session->commit());
        EXPECT_EQ(o.session->last_write().status, c.status);
        EXPECT_EQ(o.remote.writes, 0);
        EXPECT_EQ(o.remote.held, before);
        // The learned key is not lost: saved beside the backups and still owed.
        ASSERT_EQ(o.remote.unwritten.size(), 1u);
        EXPECT_TRUE(one_key_text(o.remote.unwritten[0], 0x12).ok());
        EXPECT_TRUE(o.session->owed_to_remote());
    }
    // A table read again (the remote attached now) lets writes go out again.
    Open o({learned("10")});
    o.session->link_lost();
    ASSERT_EQ(o.session->load(o.remote.held), TableError::none);
    o.learn(0x12, "778899");
    EXPECT_TRUE(o.session->commit());
}

TEST(FreshWrite, ReadBackThatDiffersIsAFailureAndTheRetryIsNoConflict) {
    Open o({learned("10")});
    o.learn(0x12, "778899");
    o.remote.garble_write = true;
    EXPECT_FALSE(o.session->commit());
    EXPECT_EQ(o.session->last_write().status, WriteStatus::refused);
    EXPECT_EQ(o.remote.unwritten.size(), 1u);
    // The next write finds the session's own keys half there: written, not a conflict.
    o.remote.garble_write = false;
    o.remote.held = table_of({learned("10"), learned("12", "778899")});
    ASSERT_TRUE(o.session->write_deletions());
    EXPECT_TRUE(o.session->last_write().conflicts.empty());
    EXPECT_EQ(o.remote.key(0x12), stored("12", "778899"));
}

TEST(FreshWrite, WholeTableOverAChangedRemoteIsAConflict) {
    const std::string saved = table_of({learned("10")});
    {
        Open o({learned("10"), learned("12")});
        o.remote.change_before_write = table_of({learned("10"), learned("12"), learned("14")});
        EXPECT_FALSE(o.session->write_table(saved));
        EXPECT_EQ(o.session->last_write().status, WriteStatus::conflict);
        EXPECT_EQ(o.session->last_write().conflicts, (std::vector<int>{0x14}));
        EXPECT_EQ(o.remote.writes, 0);
    }
    {
        Open o({learned("10"), learned("12")}, true, ConflictChoice::keep_mine);
        o.remote.change_before_write = table_of({learned("10"), learned("12"), learned("14")});
        EXPECT_TRUE(o.session->write_table(saved));
        EXPECT_EQ(o.remote.held, saved);
        EXPECT_EQ(o.remote.backups.back(), table_of({learned("10"), learned("12"), learned("14")}));
    }
    {
        // Unchanged since the read: no question, the saved table is written.
        Open o({learned("10"), learned("12")}, true);
        EXPECT_TRUE(o.session->write_table(saved));
        EXPECT_TRUE(o.remote.asked.empty());
        EXPECT_EQ(o.remote.held, saved);
    }
}

TEST(FreshWrite, ClearRemovesOnlyWhatTheSessionKnewAsLearned) {
    Open o({learned("10"), learned("12")});
    // Learned by another program after the session read: not the session's to clear.
    o.remote.change_before_write = table_of({learned("10"), learned("12"), learned("14")});
    ASSERT_TRUE(o.session->write_cleared());
    EXPECT_FALSE(o.remote.key(0x10));
    EXPECT_FALSE(o.remote.key(0x12));
    EXPECT_TRUE(o.remote.key(0x14));
    EXPECT_EQ(o.session->last_write().merged, (std::vector<int>{0x14}));
}

TEST(FreshWrite, ChangedKeysNamesKeysWhoseCodeDiffers) {
    const std::string a = table_of({learned("10"), learned("12")});
    EXPECT_TRUE(changed_keys(a, a).empty());
    EXPECT_EQ(changed_keys(a, table_of({learned("10", "ABCDEF"), learned("12")})),
              (std::vector<int>{0x10}));
    EXPECT_EQ(changed_keys(a, table_of({learned("12"), learned("14")})),
              (std::vector<int>{0x10, 0x14}));
    EXPECT_EQ(changed_keys(a, build_table({{"33", "40"}}, {{"33", "0F", "A1B2C3D4", "010203"},
                                                           learned("10"),
                                                           learned("12")})),
              (std::vector<int>{0x33, 0x40}));
    EXPECT_TRUE(changed_keys(a, "ZZ").empty());
}

}  // namespace
}  // namespace orvalin::learning
