// The remote's code table as hex text: parse into the key list, rebuild with a
// one-key table, and keep the key list up to date. Qt-free.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvalin::learning {

// Key line: table code (two upper-case hex digits) + "|" + state.
// "1" preset, "2" learned and stored on the remote, "3" learned in the running session.
using KeyLines = std::vector<std::string>;

// Most characters that the table write carries (4100 bytes).
inline constexpr std::size_t kMaxTableChars = 8200;

enum class TableError {
    none,
    malformed,       // not hex where a number is needed, counts or offsets past the end
    piece_too_long,  // a type or key piece over 127 bytes
    too_large,       // the rebuilt table is over kMaxTableChars characters
};

// Message for the user (Chinese, UTF-8) that explains a table error.
std::string describe(TableError error);

struct KeyLinesResult {
    KeyLines lines;
    TableError error = TableError::none;
    bool ok() const { return error == TableError::none; }
};

struct TableResult {
    std::string text;
    TableError error = TableError::none;
    bool ok() const { return error == TableError::none; }
};

// The key list of a table text: either the text start-up keeps (the digits read,
// then zero characters) or a rebuilt table. Lines in table-code order; the second
// key of a link pair is left out while it holds a preset code. A table that is not
// well formed (bad digits, counts, offsets or pieces out of the text, a piece over
// 127 bytes) gives an error and no lines.
KeyLinesResult parse_key_lines(std::string_view table_text);

// The whole new table: the base with the key of the one-key table learned, or
// removed when its type or key length is 0. A link pair goes with its partner's
// record when either key changes. On any error the text is empty: there is nothing
// to write. too_large: the result would not fit the write (or its 255 records).
TableResult rebuild_code_text(std::string_view base_text, std::string_view one_key_text);

// The table as the write carries it: checked by the parser and cut at its real end
// (a saved read holds the whole table area). Empty text and an error when it is not
// a table or does not fit the write.
TableResult normalised_table(std::string_view table_text);

// The one-key table of a key that the table holds (as recognition gives one): its
// record with the pieces right after it. Empty text and malformed when the key
// has no code or the table is not well formed.
TableResult one_key_text(std::string_view table_text, int table_code);

// A table without link pairs and without keys.
inline constexpr std::string_view kEmptyTable = "0000";

// Table code of a key in a device mode, as two upper-case hex digits; empty when
// key_code + 51 x mode is not a byte.
std::string table_code(int key_code, int mode);

}  // namespace orvalin::learning
