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

KeyLinesResult parse_key_lines(std::string_view table_text);
TableResult rebuild_code_text(std::string_view base_text, std::string_view one_key_text);
void remove_key_line(KeyLines& lines, std::string_view code);
void set_pending_line(KeyLines& lines, std::string_view code);
std::string find_prior_line(const KeyLines& lines, std::string_view code);
void confirm_pending_lines(KeyLines& lines);
bool has_learned_keys(const KeyLines& lines);

// Table code of a key in a device mode, as two upper-case hex digits.
std::string table_code(int key_code, int mode);

}  // namespace orvalin::learning
