// The one-key table of a key read back out of a code table: what a learned key
// came in as, whatever else the table holds; nothing for a key without code or a
// table that is not well formed.
#include "learning/one_key_table.h"

#include <gtest/gtest.h>

#include "learning/code_table.h"
#include "table_builder.h"

namespace orvalin::learning {
namespace {

using testing::build_table;
using testing::one_key;
using testing::Rec;

TEST(OneKeyTable, ALearnedKeyComesBackAsItWentIn) {
    // Pieces shared or not, a link pair in front, the key among others.
    const std::string base = build_table({{"10", "11"}}, {{"05", "C7", "A1A2A3", "B1B2"},
                                                          {"10", "C7", "A1A2A3", "C1C2C3C4"},
                                                          {"33", "C7", "D1D2", "E1E2"}});
    const std::string learned = one_key("21", "0102030405", "F1F2F3");
    const TableResult rebuilt = rebuild_code_text(base, learned);
    ASSERT_TRUE(rebuilt.ok()) << describe(rebuilt.error);
    // The table marks a learned key in its attribute (C7 becomes CF).
    std::string stored = learned;
    stored.replace(6, 2, "CF");
    EXPECT_EQ(one_key_table_of(rebuilt.text, 0x21), stored);
    EXPECT_EQ(one_key_table_of(base, 0x33), one_key("33", "D1D2", "E1E2"));
    // Read back and merged again, it leaves the table as it was.
    const TableResult again =
        rebuild_code_text(rebuilt.text, *one_key_table_of(rebuilt.text, 0x05));
    ASSERT_TRUE(again.ok());
    std::string key05 = one_key("05", "A1A2A3", "B1B2");
    key05.replace(6, 2, "CF");
    EXPECT_EQ(one_key_table_of(again.text, 0x05), key05);
}

TEST(OneKeyTable, NothingForAKeyWithoutCodeOrABadTable) {
    const std::string table = build_table({}, {{"05", "C7", "A1", "B1"}, {"06", "00", "", ""}});
    EXPECT_EQ(one_key_table_of(table, 0x07), std::nullopt);
    EXPECT_EQ(one_key_table_of(table, 0x06), std::nullopt);
    EXPECT_EQ(one_key_table_of(table.substr(0, table.size() - 2), 0x05), std::nullopt);
    EXPECT_EQ(one_key_table_of("", 0x05), std::nullopt);
    EXPECT_EQ(one_key_table_of("00FF", 0x05), std::nullopt);
}

}  // namespace
}  // namespace orvalin::learning
