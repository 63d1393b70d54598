#include "learning/code_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hex_groups.h"
#include "table_builder.h"

namespace orvalin::learning {
namespace {

using testing::digits;

using testing::build_table;
using testing::clear_one;
using testing::delete_one;
using testing::one_key;
using testing::read_buffer;
using testing::Rec;

// One record (key 03) and the same table after learning key 05 with the same
// type piece: the records share the piece and the data area moves to 0x12.
const std::string kOneKey03 = digits("0001 03CF0A00040E0003 A1B2C3D4 AABBCC");
const std::string kLearn05 = digits("0001 05CF0A00040E0003 A1B2C3D4 DDEEFF");
const std::string kKeys03And05 =
    digits("0002 03CF120004160003 05CF120004190003 A1B2C3D4 AABBCC DDEEFF");

std::string rebuilt(const std::string& base, const std::string& key) {
    const TableResult result = rebuild_code_text(base, key);
    EXPECT_TRUE(result.ok()) << describe(result.error);
    return result.text;
}

TEST(Rebuild, LearnsAndRemovesKeysAsWrittenByTheRemoteTool) {
    struct Case {
        const char* name;
        std::string base, key, expected;
    };
    const std::vector<Case> cases = {
        {"first key into an empty table", "0000", one_key("03", "A1B2C3D4", "AABBCC"), kOneKey03},
        {"second key shares the type piece", kOneKey03, kLearn05, kKeys03And05},
        {"removing it gives the first table back", kKeys03And05, delete_one("05"), kOneKey03},
        {"the clear-all form removes as well", kKeys03And05, clear_one("05"), kOneKey03},
        {"removing the only key", kOneKey03, delete_one("03"), "0000"},
        {"removing a key that has no record", kOneKey03, delete_one("07"), kOneKey03},
        // Type pieces of one or two bytes get no place: offset 0, bytes not written.
        {"short type piece is not placed", "0000", one_key("05", "ABCD", "EE"),
         digits("0001 05CF0000020A0001 EE")},
        // Key 0A sorts after 03 and 05; the piece it shares with 03 is stored once.
        {"records in table-code order, pieces by first user",
         build_table({}, {{"0A", "CF", "A1B2C3D4", "11"}, {"05", "4F", "998877", "22"}}),
         one_key("03", "A1B2C3D4", "33"),
         digits(
             "0003 03CF1A0004210001 054F1E0003220001 0ACF1A0004230001 A1B2C3D4 998877 33 22 11")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rebuilt(c.base, c.key), c.expected);
    }
}

TEST(Rebuild, ReplacedRecordGetsCfWhileOthersKeepTheirAttributeText) {
    const std::string base = build_table(
        {},
        {{"03", "4F", "010203", "A0"}, {"05", "0F", "010203", "A1"}, {"07", "4f", "040506", "A2"}});
    EXPECT_EQ(rebuilt(base, one_key("05", "070809", "B1B2")),
              digits("0003 034F1A0003230001 05CF1D0003240002 074f200003260001 010203 070809 040506 "
                     "A0 B1B2 A2"));
}

TEST(Rebuild, UsesOnlyTheTableInAReadBuffer) {
    EXPECT_EQ(rebuilt(read_buffer(kOneKey03), kLearn05), kKeys03And05);
    EXPECT_EQ(rebuilt(read_buffer(kKeys03And05), delete_one("05")), kOneKey03);
}

// Links 03-07 and 0A-0C; 07 and 0C hold preset codes and are hidden, all four
// records share one type piece.
const std::string kLinked = digits(
    "02 0307 0A0C 04 03CF260003290001 070F2600032A0001 0A4F2600032B0001 0C0F2600032C0001 112233 "
    "A3A7AAAC");

TEST(Rebuild, ChangingAKeyOfALinkPairDropsThePairAndThePartner) {
    EXPECT_EQ(
        rebuilt(kLinked, one_key("03", "445566", "B3")),
        digits(
            "01 0A0C 03 03CF1C0003220001 0A4F1F0003230001 0C0F1F0003240001 445566 112233 B3AAAC"));

    struct Case {
        const char* name;
        std::string key;
        std::string links;
        KeyLines lines;
    };
    const std::vector<Case> cases = {
        {"second key learned", one_key("07", "445566", "B7"), "010A0C", {"07|2", "0A|2"}},
        {"first key of the other pair deleted", delete_one("0A"), "010307", {"03|2"}},
        {"second key of the other pair deleted", delete_one("0C"), "010307", {"03|2"}},
        {"key outside any pair",
         one_key("05", "445566", "B5"),
         "0203070A0C",
         {"03|2", "05|2", "0A|2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = rebuilt(kLinked, c.key);
        EXPECT_EQ(text.substr(0, c.links.size()), c.links);
        const KeyLinesResult parsed = parse_key_lines(text);
        ASSERT_TRUE(parsed.ok());
        EXPECT_EQ(parsed.lines, c.lines);
    }
}

TEST(Parse, ListsKeysByTableCodeWithTheirState) {
    struct Case {
        const char* name;
        std::string table;
        KeyLines lines;
    };
    const std::vector<Case> cases = {
        {"empty table", "0000", {}},
        {"learned attribute 4F", build_table({}, {{"05", "4F", "", "01"}}), {"05|2"}},
        {"preset attribute 0F", build_table({}, {{"05", "0F", "", "01"}}), {"05|1"}},
        {"sorted by table code",
         build_table({}, {{"98", "0F", "", "01"}, {"0A", "0F", "", "01"}, {"03", "CF", "", "01"}}),
         {"03|2", "0A|1", "98|1"}},
        {"preset second key of a link pair is hidden",
         build_table({{"03", "05"}}, {{"03", "0F", "", "01"}, {"05", "0F", "", "01"}}),
         {"03|1"}},
        {"learned second key of a link pair is listed",
         build_table({{"03", "05"}}, {{"03", "0F", "", "01"}, {"05", "4F", "", "01"}}),
         {"03|1", "05|2"}},
        {"duplicate records give one line",
         build_table({}, {{"05", "0F", "", "01"}, {"05", "0F", "", "02"}}),
         {"05|1"}},
        {"lower-case codes: preset kept as stored, learned written anew",
         build_table({}, {{"0a", "0F", "", "01"}, {"0b", "4F", "", "01"}}),
         {"0a|1", "0B|2"}},
        {"hidden lines match ignoring case",
         build_table({{"03", "0a"}}, {{"0A", "0F", "", "01"}}),
         {}},
        {"worked example", kKeys03And05, {"03|2", "05|2"}},
        {"read buffer", read_buffer(kLinked), {"03|2", "0A|2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const KeyLinesResult parsed = parse_key_lines(c.table);
        ASSERT_TRUE(parsed.ok()) << describe(parsed.error);
        EXPECT_EQ(parsed.lines, c.lines);
    }
}

// Texts that must be refused by both the parser and the rebuild (as base).
TEST(TableErrors, BadTablesAreRefusedNotRead) {
    const std::string piece128(256, 'A');
    struct Case {
        const char* name;
        std::string table;
        TableError error;
    };
    const std::vector<Case> cases = {
        {"empty text", "", TableError::malformed},
        {"one digit", "0", TableError::malformed},
        {"link count not hex", "G000", TableError::malformed},
        {"link pairs past the end", digits("02 0307 00"), TableError::malformed},
        {"link pair not hex", digits("01 03ZZ 00"), TableError::malformed},
        {"no record count", digits("01 0307"), TableError::malformed},
        {"records past the end", digits("0002 03CF0A00040E0003"), TableError::malformed},
        {"record cut short", digits("0001 03CF0A00040E00"), TableError::malformed},
        {"record field not hex", digits("0001 03CF0A00040E00X3 A1B2C3D4 AABBCC"),
         TableError::malformed},
        {"key piece past the end", digits("0001 03CF0A00040E0003 A1B2C3D4 AABB"),
         TableError::malformed},
        {"type offset far past the end", digits("0001 03CFFFFF040E0003 A1B2C3D4 AABBCC"),
         TableError::malformed},
        {"piece not hex", digits("0001 03CF0A00040E0003 A1B2C3G4 AABBCC"), TableError::malformed},
        {"piece in the zeros of a read buffer",
         read_buffer(digits("0001 03CF0A00040E0003 A1B2C3D4")), TableError::malformed},
        {"type piece of 128 bytes", digits("0001 03CF0A00800A0001") + piece128,
         TableError::piece_too_long},
        {"key piece of 255 bytes", digits("0001 03CF0A00000A00FF") + piece128 + piece128,
         TableError::piece_too_long},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const KeyLinesResult parsed = parse_key_lines(c.table);
        EXPECT_EQ(parsed.error, c.error);
        EXPECT_TRUE(parsed.lines.empty());
        const TableResult result = rebuild_code_text(c.table, kLearn05);
        EXPECT_EQ(result.error, c.error);
        EXPECT_TRUE(result.text.empty());
    }
}

TEST(TableErrors, OneKeyTextThatIsNoOneKeyTableIsRefused) {
    const std::string piece128(256, 'A');
    struct Case {
        const char* name;
        std::string key;
        TableError error;
    };
    const std::vector<Case> cases = {
        {"empty fallback answer", "", TableError::malformed},
        {"header only", "0001", TableError::malformed},
        {"record cut short", "000105CF0A0004", TableError::malformed},
        {"link pairs in front", digits("0101 0305 05CF0A00040E0003 A1B2C3D4 DDEEFF"),
         TableError::malformed},
        {"two records", digits("0002 05CF0A00040E0003 A1B2C3D4 DDEEFF"), TableError::malformed},
        {"pieces cut short", digits("0001 05CF0A00040E0003 A1B2C3D4 DDEE"), TableError::malformed},
        {"piece not hex", digits("0001 05CF0A00040E0003 A1B2C3D4 DDEEXX"), TableError::malformed},
        {"record not hex", digits("0001 05C?0A00040E0003 A1B2C3D4 DDEEFF"), TableError::malformed},
        {"text instead of a table", "error: no code", TableError::malformed},
        {"type piece of 128 bytes", digits("0001 05CF0A00808A0001") + piece128 + "DD",
         TableError::piece_too_long},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TableResult result = rebuild_code_text(kOneKey03, c.key);
        EXPECT_EQ(result.error, c.error);
        EXPECT_TRUE(result.text.empty());
    }
}

// Distinct type pieces of 127 bytes make a table grow fast.
std::string big_type(int n) {
    return std::string(252, 'A') + testing::hex2(static_cast<unsigned>(n));
}

TEST(TableErrors, TableOverTheWriteLimitIsTooLarge) {
    std::vector<Rec> recs;
    for (int i = 0; i < 29; ++i)
        recs.push_back({testing::hex2(static_cast<unsigned>(i)), "CF", big_type(i), "0102030405"});
    const std::string base = build_table({}, recs);  // 2 + 29 x 140 = 4062 bytes
    ASSERT_TRUE(parse_key_lines(base).ok());

    // A new piece of 127 bytes makes 4202 bytes; a piece the table has already
    // makes 4075 and still fits.
    const TableResult fresh = rebuild_code_text(base, one_key("40", big_type(0x40), "0102030405"));
    EXPECT_EQ(fresh.error, TableError::too_large);
    EXPECT_TRUE(fresh.text.empty());
    const TableResult shared = rebuild_code_text(base, one_key("40", big_type(3), "0102030405"));
    ASSERT_TRUE(shared.ok());
    EXPECT_EQ(shared.text.size(), 2u * 4075u);

    // A table read from the remote may be larger than what can be written back.
    recs.push_back({"50", "CF", big_type(0x50), "0102030405"});
    const std::string over = build_table({}, recs);
    EXPECT_EQ(rebuild_code_text(over, delete_one("60")).error, TableError::too_large);
    EXPECT_TRUE(rebuild_code_text(over, delete_one("50")).ok());
}

TEST(TableErrors, MoreThan255RecordsAreTooLarge) {
    std::vector<Rec> recs;
    for (unsigned i = 0; i < 255; ++i) recs.push_back({testing::hex2(i), "CF", "", ""});
    const std::string base = build_table({}, recs);
    EXPECT_EQ(rebuild_code_text(base, one_key("FF", "010203", "04")).error, TableError::too_large);
    EXPECT_TRUE(rebuild_code_text(base, one_key("FE", "010203", "04")).ok());
}

TEST(TableErrors, EveryErrorHasItsOwnMessage) {
    EXPECT_EQ(describe(TableError::none), "");
    const std::string malformed = describe(TableError::malformed);
    const std::string too_long = describe(TableError::piece_too_long);
    const std::string too_large = describe(TableError::too_large);
    EXPECT_NE(malformed, too_long);
    EXPECT_NE(malformed, too_large);
    EXPECT_NE(too_long, too_large);
    EXPECT_NE(too_large.find("4100"), std::string::npos);
}

TEST(TableCode, KeyCodePlus51TimesTheMode) {
    EXPECT_EQ(table_code(0x03, 0), "03");
    EXPECT_EQ(table_code(0x04, 1), "37");
    EXPECT_EQ(table_code(0x32, 2), "98");
    EXPECT_EQ(table_code(0x2C, 2), "92");
    EXPECT_EQ(table_code(0x0A, 2), "70");
    EXPECT_EQ(table_code(-1, 0), "");
    EXPECT_EQ(table_code(0, 6), "");
}

}  // namespace
}  // namespace orvalin::learning
