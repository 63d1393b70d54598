// Reading the code table's layout out of its hex text: the link pairs, the key
// records and the pieces they address, and the one-key table a change comes in.
// Everything is checked against the text, so a table that is not well formed is
// refused here and never read out of bounds later.
#pragma once

#include <string_view>
#include <vector>

#include "learning/code_table.h"

namespace orvalin::learning {

// A piece holds at most this many bytes (the rebuild's slot holds 255 digits).
inline constexpr int kMaxPieceBytes = 127;

struct LinkPair {
    std::string_view text;  // the pair's four digits as stored
    std::string_view first, second;
    int second_code = 0;
};

struct TableRecord {
    std::string_view text;  // the record's sixteen digits
    std::string_view code;  // table code digits as stored
    std::string_view attr;  // attribute digits as stored
    int table_code = 0;
    int attribute = 0;
    int type_len = 0, key_len = 0;
    std::string_view type_data, key_data;
};

struct TableLayout {
    std::string_view links;  // count and link pairs, the first 2 + 4A digits
    std::vector<LinkPair> pairs;
    std::vector<TableRecord> records;
};

// Reads the whole layout; what lies after the table (the zeros of a read buffer)
// is never looked at.
TableError read_table(std::string_view text, TableLayout& layout);

struct OneKeyTable {
    std::string_view code;  // the key's table code digits as given
    int table_code = 0;
    int type_len = 0, key_len = 0;
    std::string_view type_data, key_data;  // empty when the key is removed
    bool removes_key() const { return type_len == 0 || key_len == 0; }
};

// A one-key table: "00", "01", one record, then the type piece and the key piece.
// A type or key length of 0 removes the key and needs no pieces.
TableError read_one_key(std::string_view text, OneKeyTable& key);

}  // namespace orvalin::learning
