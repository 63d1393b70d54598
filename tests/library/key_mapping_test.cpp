// The names file and the mapping of a file's signals to keys: every key of the
// remote is reached by its common names, the mode keys by none, the custom keys
// take functions in the documented order, and the user's own assignments win.
#include "library/key_mapping.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/key_table.h"
#include "library/key_names.h"

namespace orvalin::library {
namespace {

const std::filesystem::path kNamesFile =
    std::filesystem::path(ORVALIN_SOURCE_DIR) / "data" / "key-names.tsv";

KeyNames shipped() {
    std::string why;
    auto names = KeyNames::load(kNamesFile, why);
    EXPECT_TRUE(names) << why;
    return names ? *names : KeyNames{};
}

int key_of(const KeyNames& names, const std::string& signal) {
    const auto mapping = map_signals({signal}, names);
    return mapping.front().key_code;
}

TEST(KeyNames, EveryFixedKeyIsReachedByItsCommonNames) {
    const KeyNames names = shipped();
    struct Case {
        int key;
        std::vector<std::string> spellings;
    };
    const std::vector<Case> cases = {
        {0x00, {"Power", "POWER", "KEY_POWER", "Standby", "电源", "power ", "On/Off"}},
        {0x06, {"1", "KEY_1", "Num_1", "NUMERIC_1", "Digit 1"}},
        {0x05, {"2", "KEY_2"}},
        {0x04, {"3", "KEY_NUMERIC_3"}},
        {0x09, {"4"}},
        {0x08, {"5"}},
        {0x07, {"6"}},
        {0x0C, {"7"}},
        {0x0B, {"8"}},
        {0x0A, {"9"}},
        {0x0E, {"0", "KEY_0"}},
        {0x0D, {"Source", "INPUT", "AV", "TV/AV", "KEY_VIDEO", "Tv_av"}},
        {0x0F, {"-/--", "Dash", "10+"}},
        {0x10, {"Vol_up", "VOL+", "KEY_VOLUMEUP", "Volume Up", "vol-up", "Vol +"}},
        {0x13, {"Vol_dn", "VOL-", "KEY_VOLUMEDOWN", "Vol_down", "Volume-"}},
        {0x12, {"Ch_next", "KEY_CHANNELUP", "CH+", "Ch_up", "P+"}},
        {0x15, {"Ch_prev", "KEY_CHANNELDOWN", "CH-", "Ch_dn", "P-"}},
        {0x11, {"Pre_ch", "KEY_LAST", "Recall", "Flashback"}},
        {0x14, {"Mute", "MUTE", "KEY_MUTE", "Muting", "静音"}},
        {0x17, {"Up", "UP", "KEY_UP", "Arrow_up"}},
        {0x1D, {"Down", "KEY_DOWN", "Dwn"}},
        {0x1B, {"Left", "KEY_LEFT", "Left_arrow"}},
        {0x19, {"Right", "KEY_RIGHT"}},
        {0x1A, {"Ok", "OK", "KEY_OK", "Enter", "Select", "KEY_ENTER"}},
        {0x1F, {"Next", "KEY_NEXT", "Skip_fwd", "KEY_NEXTSONG"}},
        {0x20, {"Play", "KEY_PLAY", "Play_pause", "Play/Pause", "KEY_PLAYPAUSE"}},
        {0x21, {"Prev", "Previous", "KEY_PREVIOUS", "Skip_back", "KEY_PREVIOUSSONG"}},
        {0x22, {"Pause", "KEY_PAUSE"}},
        {0x23, {"Stop", "STOP", "KEY_STOP"}},
        {0x24, {"Record", "Rec", "KEY_RECORD", "REC"}},
    };
    std::set<int> covered;
    for (const Case& c : cases) {
        covered.insert(c.key);
        for (const std::string& s : c.spellings) {
            EXPECT_EQ(key_of(names, s), c.key) << "'" << s << "'";
        }
    }
    // Every key of the panel that is neither a mode key nor a custom key is in the table above.
    for (const KeyInfo& k : kKeyTable) {
        const bool custom =
            std::find(kCustomKeys.begin(), kCustomKeys.end(), k.code) != kCustomKeys.end();
        if (!learnable_key(k.code) || custom) continue;
        EXPECT_TRUE(covered.count(k.code)) << "key " << k.code << " has no case";
    }
    for (const char* unknown : {"Power2", "Foo", "", "KEY_", "Vol"}) {
        EXPECT_EQ(key_of(names, unknown), -1) << unknown;
    }
}

TEST(KeyNames, ModeKeysAreReachedByNoNameAndCannotBeAssigned) {
    const KeyNames names = shipped();
    for (const KeyNameEntry& e : names.entries()) {
        EXPECT_TRUE(e.key_code == -1 || learnable_key(e.key_code)) << e.label;
    }
    auto mapping = map_signals({"Power", "Mute"}, names);
    std::string why;
    for (const int mode_key : {kTvModeKeyCode, kCblModeKeyCode, kDvdModeKeyCode}) {
        EXPECT_FALSE(assign(mapping, 1, mode_key, why));
        EXPECT_EQ(why, "a mode key cannot hold a learned code");
    }
    EXPECT_FALSE(assign(mapping, 1, 0x2D, why));
    EXPECT_EQ(mapping[1].key_code, 0x14);  // unchanged by the refusals
}

TEST(KeyNames, CustomKeysTakeFunctionsInTheDocumentedOrder) {
    const KeyNames names = shipped();
    // Listed out of order, with more functions than custom keys.
    const std::vector<std::string> signals = {"Blue",   "Yellow",   "Green", "Red",  "Fast_fo",
                                              "Rewind", "Home",     "Guide", "Info", "Exit",
                                              "Menu",   "Subtitle", "Audio", "Power"};
    const auto mapping = map_signals(signals, names);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Menu", "F1"},   {"Exit", "F2"},      {"Info", "F3"},  {"Guide", "F4"}, {"Home", "F5"},
        {"Rewind", "F6"}, {"Fast_fo", "F7"},   {"Red", "F8"},   {"Green", "F9"}, {"Yellow", "F10"},
        {"Blue", "F11"},  {"Subtitle", "F12"}, {"Power", "AMP"}};
    for (const auto& [signal, key] : expected) {
        const std::string& name = signal;  // clang 14 cannot capture a structured binding
        const auto it = std::find_if(mapping.begin(), mapping.end(),
                                     [&](const Assignment& a) { return a.signal == name; });
        ASSERT_NE(it, mapping.end());
        ASSERT_GE(it->key_code, 0) << signal << ": " << it->reason;
        EXPECT_EQ(key_label(it->key_code), key) << signal;
    }
    const auto audio = std::find_if(mapping.begin(), mapping.end(),
                                    [](const Assignment& a) { return a.signal == "Audio"; });
    EXPECT_EQ(audio->key_code, -1);
    EXPECT_EQ(audio->reason, "all twelve custom keys are taken");

    // A file with fewer functions packs them from F1 on; every custom key is reachable.
    const auto few = map_signals({"Guide", "Menu"}, names);
    EXPECT_EQ(key_label(few[1].key_code), "F1");
    EXPECT_EQ(key_label(few[0].key_code), "F2");
}

TEST(KeyNames, OneSignalPerKeyTheFirstListedNameWins) {
    const KeyNames names = shipped();
    // Standby comes after Power in the names file; Power wins wherever it lies.
    auto mapping = map_signals({"Standby", "Vol_up", "Power", "Vol_up", "Mystery"}, names);
    EXPECT_EQ(mapping[0].key_code, -1);
    EXPECT_EQ(mapping[0].reason, "its key takes Power");
    EXPECT_EQ(mapping[2].key_code, 0x00);
    EXPECT_EQ(mapping[1].key_code, 0x10);
    EXPECT_EQ(mapping[3].key_code, -1);
    EXPECT_EQ(mapping[3].reason, "a signal of the same name comes earlier in the file");
    EXPECT_EQ(mapping[4].reason, "no key for this name");

    // The user moves Standby to F1 and then onto the power key: Power loses it.
    std::string why;
    ASSERT_TRUE(assign(mapping, 0, 0x16, why)) << why;
    EXPECT_EQ(mapping[0].key_code, 0x16);
    ASSERT_TRUE(assign(mapping, 0, 0x00, why)) << why;
    EXPECT_EQ(mapping[0].key_code, 0x00);
    EXPECT_EQ(mapping[2].key_code, -1);
    EXPECT_EQ(mapping[2].reason, "its key was given to Standby");
    ASSERT_TRUE(assign(mapping, 1, -1, why));

    // A fallback name takes its key only alone; beside the key's own name it goes
    // to a custom key after the listed functions.
    const auto alone = map_signals({"Enter", "Play_pause"}, names);
    EXPECT_EQ(alone[0].key_code, 0x1A);
    EXPECT_EQ(alone[1].key_code, 0x20);
    const auto beside = map_signals({"Enter", "Ok", "Play_pause", "Play", "Menu"}, names);
    EXPECT_EQ(beside[1].key_code, 0x1A);
    EXPECT_EQ(beside[3].key_code, 0x20);
    EXPECT_EQ(key_label(beside[4].key_code), "F1");
    EXPECT_EQ(key_label(beside[0].key_code), "F2");
    EXPECT_EQ(key_label(beside[2].key_code), "F3");
    EXPECT_EQ(beside[0].function, "Enter");
    EXPECT_EQ(mapping[1].key_code, -1);
    EXPECT_FALSE(assign(mapping, 9, 0x10, why));
}

TEST(KeyNames, MalformedNamesFilesAreRefusedWithTheLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"03\tPOWER/TV\tTv_power\n", "names.tsv:1: key 03 cannot take names"},
        {"# c\n16\tF1\tMenu\n", "names.tsv:2: key 16 cannot take names"},
        {"2D\tnone\tx\n", "names.tsv:1: key 2D cannot take names"},
        {"ZZ\tx\ty\n", "names.tsv:1: 'ZZ' is not a key code"},
        {"00\tPOWER/AMP\n", "names.tsv:1: a key, its name and at least one name"},
        {"00\tA\tPower\n00\tB\tStandby\n", "names.tsv:2: key 00 is listed twice"},
        {"00\tA\tPower\n14\tB\tPOWER\n", "names.tsv: 'POWER' means both A and B"},
        {"00\tA\tPower\nF\tMenu\tpower\n", "names.tsv: 'power' means both A and Menu"},
        {"# only a comment\n", "names.tsv: no names"},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(KeyNames::parse(c.text, "names.tsv", why)) << c.text;
        EXPECT_EQ(why.rfind(c.message, 0), 0u) << c.text << " -> " << why;
    }
    std::string why;
    EXPECT_FALSE(KeyNames::load("/nonexistent/key-names.tsv", why));
}

TEST(KeyNames, NamesCompareWithoutCaseAndSeparators) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Vol_up", "volup"}, {"VOL UP", "volup"}, {"KEY_VOLUMEUP", "volumeup"},
        {"Vol-up", "volup"}, {"Vol-", "vol-"},    {"-/--", "-/--"},
        {"A-B", "ab"},       {"BTN_1", "1"},      {"KEY_", "key"},
        {" Ok. ", "ok"},     {"电源", "电源"},    {"Play/Pause", "play/pause"},
    };
    for (const auto& [name, normal] : cases) EXPECT_EQ(normal_name(name), normal) << name;
}

}  // namespace
}  // namespace orvalin::library
