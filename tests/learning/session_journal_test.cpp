// The session journal: every change not yet on the remote is in the journal file the
// moment it exists; a written or given-up session leaves no journal; what a killed
// session left is found (not what a running one keeps) and written onto the remote
// as it is now; torn or damaged journal texts give their last whole record or nothing.
#include "learning/session_journal.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>

#include "tests/learning/table_builder.h"

namespace orvalin::learning {
namespace {

namespace fs = std::filesystem;
using testing::build_table;
using testing::Rec;

std::string table_of(std::vector<Rec> recs) {
    recs.insert(recs.begin(), Rec{"33", "0F", "A1B2C3D4", "010203"});
    return build_table({}, recs);
}

std::string image(const std::string& code, const std::string& key) {
    return testing::one_key(code, "5A5A1234", key);
}

class Journal : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("orvalin-journal-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // A session whose remote holds `held`, journaling into folder.
    std::unique_ptr<Session> open(std::shared_ptr<SessionJournal>& journal) {
        journal = std::make_shared<SessionJournal>(folder, "0A0B");
        SessionIo io{[this](const std::string& t) {
                         if (refuse) return false;
                         held = t;
                         return true;
                     },
                     [](std::string_view) {
                         return BackupResult{true, "b.hex", ""};
                     },
                     {},
                     {},
                     {}};
        io.read = [this] { return std::optional<std::string>(held); };
        io.journal = [journal](const std::vector<KeyChange>& c, const std::string&) {
            journal->save(c);
        };
        auto s = std::make_unique<Session>(std::move(io));
        EXPECT_EQ(s->load(held), TableError::none);
        return s;
    }
    std::vector<KeyChange> on_disk() {
        std::vector<KeyChange> none;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(folder, ec)) {
            std::ifstream in(e.path());
            const std::string text((std::istreambuf_iterator<char>(in)), {});
            if (const auto j = read_journal(text)) return j->changes;
        }
        return none;
    }
    std::size_t files() {
        std::error_code ec;
        std::size_t n = 0;
        for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
             ++it)
            ++n;
        return n;
    }

    fs::path folder;
    std::string held = table_of({{"10", "CF", "5A5A1234", "C0FFEE"}});
    bool refuse = false;
};

TEST_F(Journal, FollowsTheChangesNotYetOnTheRemote) {
    std::shared_ptr<SessionJournal> journal;
    auto s = open(journal);
    EXPECT_EQ(files(), 0u) << "no journal before a change";
    s->start_learning();
    ASSERT_EQ(s->add_learned_key(0x12, image("12", "111111")), TableError::none);
    EXPECT_EQ(on_disk(), (std::vector<KeyChange>{{0x12, image("12", "111111")}}));
    ASSERT_EQ(s->add_learned_key(0x14, image("14", "222222")), TableError::none);
    EXPECT_EQ(on_disk().size(), 2u);
    s->decline();
    EXPECT_EQ(files(), 0u) << "a discarded session removes its journal";

    s->start_learning();
    ASSERT_EQ(s->add_learned_key(0x12, image("12", "111111")), TableError::none);
    s->stop_learning();
    refuse = true;
    EXPECT_FALSE(s->commit());
    EXPECT_EQ(on_disk().size(), 1u) << "a failed write keeps its keys in the journal";
    s->set_deleting(true);
    ASSERT_EQ(s->delete_key(0x10), TableError::none);
    EXPECT_EQ(on_disk().size(), 2u);
    refuse = false;
    EXPECT_TRUE(s->write_deletions());
    EXPECT_EQ(files(), 0u) << "a written session removes its journal";
}

TEST_F(Journal, WhatAKilledSessionLeftIsFoundAndWrittenOntoTheRemoteAsItIsNow) {
    {
        std::shared_ptr<SessionJournal> journal;
        auto s = open(journal);
        s->start_learning();
        ASSERT_EQ(s->add_learned_key(0x12, image("12", "111111")), TableError::none);
        // While the session runs, its journal is not left over.
        EXPECT_TRUE(left_journals(folder).empty());
        s.reset();
        journal.reset();  // the process ends without a write: the file stays
    }
    // Another program learned 0x16 meanwhile.
    held = table_of({{"10", "CF", "5A5A1234", "C0FFEE"}, {"16", "CF", "5A5A1234", "ABCDEF"}});
    auto left = left_journals(folder);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].identity, "0A0B");
    EXPECT_EQ(left[0].changes, (std::vector<KeyChange>{{0x12, image("12", "111111")}}));
    // A second look while the first holds it finds nothing: one recovery at a time.
    EXPECT_TRUE(left_journals(folder).empty());

    std::shared_ptr<SessionJournal> journal;
    auto s = open(journal);
    ASSERT_TRUE(s->write_changes(left[0].changes));
    remove_journal(left[0]);
    EXPECT_TRUE(one_key_text(held, 0x12).ok());
    EXPECT_TRUE(one_key_text(held, 0x16).ok());
    EXPECT_TRUE(one_key_text(held, 0x10).ok());
    left.clear();
    EXPECT_TRUE(left_journals(folder).empty());
    EXPECT_EQ(files(), 0u);
}

TEST_F(Journal, TornOrDamagedTextsGiveTheLastWholeRecordOrNothing) {
    const std::string head = "orvalin session journal 1\nidentity 0A0B\n";
    const std::string one = "changes 1\nkey 12 " + image("12", "111111") + "\nend\n";
    const std::string two = "changes 2\nkey 12 " + image("12", "111111") + "\nkey 14 " +
                            image("14", "222222") + "\nend\n";
    const struct {
        const char* name;
        std::string text;
        int changes;  // -1: not a journal
    } cases[] = {
        {"whole", head + one + two, 2},
        {"torn in the last record", head + one + two.substr(0, two.size() - 5), 1},
        {"torn in a key line", head + one + two.substr(0, 40), 1},
        {"no whole record", head + "changes 1\nkey 12 00", -1},
        {"other header", "orvalin session journal 2\nidentity -\n" + one, -1},
        {"identity not hex", "orvalin session journal 1\nidentity <x>\n" + one, -1},
        {"count too large", head + one + "changes 99999\nend\n", 1},
        {"count not a number", head + one + "changes 1x\n", 1},
        {"key code not hex", head + one + "changes 1\nkey ZZ 0001\nend\n", 1},
        {"key image not hex", head + one + "changes 1\nkey 12 00G1\nend\n", 1},
        {"empty", "", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto j = read_journal(c.text);
        if (c.changes < 0) {
            EXPECT_FALSE(j);
            continue;
        }
        ASSERT_TRUE(j);
        EXPECT_EQ(j->identity, "0A0B");
        EXPECT_EQ(static_cast<int>(j->changes.size()), c.changes);
    }
}

}  // namespace
}  // namespace orvalin::learning
