// The key states kept after start-up: reading parser lines, marking pending,
// the earlier state of a key, confirming, and how the key panel shows a key.
#include "learning/key_states.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvalin::learning {
namespace {

KeyEntry key(int code, char state) {
    return *read_key_line(table_code(code, 0) + "|" + state);
}

TEST(KeyStates, ReadsOnlyParserLines) {
    EXPECT_EQ(read_key_line("0C|1"), (KeyEntry{0x0C, KeyState::preset}));
    EXPECT_EQ(read_key_line("35|2"), (KeyEntry{0x35, KeyState::stored}));
    EXPECT_EQ(read_key_line("98|3"), (KeyEntry{0x98, KeyState::pending}));
    // Codes compare by value: a preset line kept in lower case reads like upper case.
    EXPECT_EQ(read_key_line("0a|1"), (KeyEntry{0x0A, KeyState::preset}));
    for (const char* bad : {"0C|9", "0C", "ZZ|2", "", "0C|", "0C-2", "0C|22"})
        EXPECT_FALSE(read_key_line(bad)) << bad;
    EXPECT_EQ(read_key_lines({"03|1", "0C|9", "0A|2"}),
              (KeyStates{{0x03, KeyState::preset}, {0x0A, KeyState::stored}}));
}

TEST(KeyStates, SetPendingReplacesInsertsOrAppendsInCodeOrder) {
    struct Case {
        KeyStates before;
        int code;
        KeyStates after;
    };
    const std::vector<Case> cases = {
        {{key(0x03, '1'), key(0x0A, '2')}, 0x05, {key(0x03, '1'), key(0x05, '3'), key(0x0A, '2')}},
        {{key(0x03, '1'), key(0x0A, '2')}, 0x0A, {key(0x03, '1'), key(0x0A, '3')}},
        {{key(0x03, '1'), key(0x0A, '2')}, 0x20, {key(0x03, '1'), key(0x0A, '2'), key(0x20, '3')}},
        {{key(0x03, '1'), key(0x0A, '2')}, 0x00, {key(0x00, '3'), key(0x03, '1'), key(0x0A, '2')}},
        {{}, 0x37, {key(0x37, '3')}},
        {{key(0x05, '3')}, 0x05, {key(0x05, '3')}},
        {{key(0x0A, '1'), key(0x98, '1')}, 0x0A, {key(0x0A, '3'), key(0x98, '1')}},
        // Not a table code: nothing changes.
        {{key(0x03, '1')}, -1, {key(0x03, '1')}},
        {{key(0x03, '1')}, 0x100, {key(0x03, '1')}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        KeyStates keys = c.before;
        set_pending(keys, c.code);
        EXPECT_EQ(keys, c.after);
    }
}

TEST(KeyStates, RemoveTakesOnlyTheFirstEntry) {
    KeyStates keys = {key(0x03, '1'), key(0x05, '2'), key(0x05, '3')};
    remove_key(keys, 0x05);
    EXPECT_EQ(keys, (KeyStates{key(0x03, '1'), key(0x05, '3')}));
    remove_key(keys, 0x77);
    EXPECT_EQ(keys, (KeyStates{key(0x03, '1'), key(0x05, '3')}));
}

TEST(KeyStates, PriorStateSkipsPendingEntries) {
    const KeyStates keys = {key(0x03, '3'), key(0x05, '2'), key(0x05, '3'), key(0x07, '1')};
    EXPECT_EQ(find_prior(keys, 0x05), key(0x05, '2'));
    EXPECT_EQ(find_prior(keys, 0x07), key(0x07, '1'));
    EXPECT_FALSE(find_prior(keys, 0x03));
    EXPECT_FALSE(find_prior(keys, 0x09));
}

TEST(KeyStates, ConfirmTurnsPendingIntoStoredInPlace) {
    KeyStates keys = {key(0x03, '1'), key(0x05, '3'), key(0x07, '2'), key(0x09, '3')};
    EXPECT_TRUE(has_learned_keys(keys));
    confirm_pending(keys);
    EXPECT_EQ(keys, (KeyStates{key(0x03, '1'), key(0x05, '2'), key(0x07, '2'), key(0x09, '2')}));
}

TEST(KeyStates, LearnedKeysAreStoredAndPending) {
    EXPECT_FALSE(has_learned_keys({}));
    EXPECT_FALSE(has_learned_keys({key(0x03, '1'), key(0x98, '1')}));
    EXPECT_TRUE(has_learned_keys({key(0x03, '1'), key(0x05, '2')}));
    EXPECT_TRUE(has_learned_keys({key(0x05, '3')}));
}

TEST(KeyStates, KeysShowTheStateOfTheirOwnModeOnly) {
    const struct {
        const char* line;
        int mode;
        int key_code;
        KeyLook look;
    } cases[] = {
        {"35|2", 1, 0x02, KeyLook::learned},  // 35 - 33 = 02 in CBL
        {"35|2", 0, 0x02, KeyLook::normal},   // above 2C in TV: no key carries it
        {"35|2", 2, 0x02, KeyLook::normal},   // below the DVD range
        {"00|2", 0, 0x00, KeyLook::learned}, {"00|2", 1, 0x00, KeyLook::normal},
        {"0C|1", 0, 0x0C, KeyLook::preset},  {"3F|3", 1, 0x0C, KeyLook::learned},
        {"3F|1", 1, 0x0C, KeyLook::preset},  {"72|2", 2, 0x0C, KeyLook::learned},
        {"72|2", 1, 0x0C, KeyLook::normal},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.line) + " in mode " + std::to_string(c.mode));
        EXPECT_EQ(key_look({*read_key_line(c.line)}, c.key_code, c.mode), c.look);
    }
    // Several entries for one key: the last decides.
    EXPECT_EQ(key_look({key(0x0C, '2'), key(0x0C, '1')}, 0x0C, 0), KeyLook::preset);
    EXPECT_EQ(key_look({key(0x0C, '1'), key(0x0C, '3')}, 0x0C, 0), KeyLook::learned);
}

}  // namespace
}  // namespace orvalin::learning
