#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "learning/code_table.h"

namespace orvalin::learning {
namespace {

TEST(KeyLines, SetPendingReplacesInsertsOrAppendsInCodeOrder) {
    struct Case {
        KeyLines before;
        const char* code;
        KeyLines after;
    };
    const std::vector<Case> cases = {
        {{"03|1", "0A|2"}, "05", {"03|1", "05|3", "0A|2"}},
        {{"03|1", "0A|2"}, "0A", {"03|1", "0A|3"}},
        {{"03|1", "0A|2"}, "20", {"03|1", "0A|2", "20|3"}},
        {{"03|1", "0A|2"}, "00", {"00|3", "03|1", "0A|2"}},
        {{}, "37", {"37|3"}},
        {{"05|3"}, "05", {"05|3"}},
        // Codes compare by value: a preset line kept in lower case is replaced.
        {{"0a|1", "98|1"}, "0A", {"0A|3", "98|1"}},
        {{"03|1"}, "", {"03|1"}},
        {{"03|1"}, "XY", {"03|1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        KeyLines lines = c.before;
        set_pending_line(lines, c.code);
        EXPECT_EQ(lines, c.after);
    }
}

TEST(KeyLines, RemoveTakesOnlyTheFirstExactMatch) {
    KeyLines lines = {"03|1", "05|2", "05|3", "0a|1"};
    remove_key_line(lines, "05");
    EXPECT_EQ(lines, (KeyLines{"03|1", "05|3", "0a|1"}));
    remove_key_line(lines, "0A");  // exact text: "0a" stays
    EXPECT_EQ(lines, (KeyLines{"03|1", "05|3", "0a|1"}));
    remove_key_line(lines, "77");
    EXPECT_EQ(lines, (KeyLines{"03|1", "05|3", "0a|1"}));
}

TEST(KeyLines, PriorLineSkipsPendingLines) {
    const KeyLines lines = {"03|3", "05|2", "05|3", "07|1"};
    EXPECT_EQ(find_prior_line(lines, "05"), "05|2");
    EXPECT_EQ(find_prior_line(lines, "07"), "07|1");
    EXPECT_EQ(find_prior_line(lines, "03"), "");
    EXPECT_EQ(find_prior_line(lines, "09"), "");
}

TEST(KeyLines, ConfirmTurnsPendingIntoStoredInPlace) {
    KeyLines lines = {"03|1", "05|3", "07|2", "09|3"};
    EXPECT_TRUE(has_learned_keys(lines));
    confirm_pending_lines(lines);
    EXPECT_EQ(lines, (KeyLines{"03|1", "05|2", "07|2", "09|2"}));
}

TEST(KeyLines, LearnedKeysAreStatesTwoAndThree) {
    EXPECT_FALSE(has_learned_keys({}));
    EXPECT_FALSE(has_learned_keys({"03|1", "98|1"}));
    EXPECT_TRUE(has_learned_keys({"03|1", "05|2"}));
    EXPECT_TRUE(has_learned_keys({"05|3"}));
}

}  // namespace
}  // namespace orvalin::learning
