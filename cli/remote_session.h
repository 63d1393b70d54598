// What the commands that manage the remote share: reading the remote's basic
// information and code table through the device library, the session core with
// the same backups as the window, key and mode names, and the read-back check.
#pragma once

#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "learning/session.h"

namespace orvalin::cli {

// Exit status of the management commands: 0 done, 1 remote refused or absent, 2 bad input.
inline constexpr int kExitDone = 0;
inline constexpr int kExitRemote = 1;

// Command-line options: "--name value" pairs, flags and the rest in order.
struct Options {
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::string> flags;
    std::vector<std::string> rest;
    std::optional<std::string> value(std::string_view name) const;
    bool flag(std::string_view name) const;
};
// value_names take a value; flag_names do not. Anything else starting with "--"
// is an error (message in why).
std::optional<Options> parse_options(const std::vector<std::string>& args,
                                     const std::vector<std::string_view>& value_names,
                                     const std::vector<std::string_view>& flag_names,
                                     std::string& why);

// "TV", "CBL", "DVD" (any case) as device modes 0, 1, 2.
std::optional<int> parse_mode(std::string_view name);
const char* mode_text(int mode);

// A key as the key table names it (its name or its drawn label) in a mode, or a
// table code in hex ("0x37"). The key code and mode the table code stands for.
struct KeyRef {
    int table_code = 0;
    int mode = 0;
    int key_code = 0;
};
std::optional<KeyRef> parse_key(std::string_view name, std::optional<int> mode, std::string& why);
// The key's name for messages ("VOL+"), as the key table gives it.
std::string key_name(int key_code);

// The folder of this program (the code-info file and the converter lie beside it).
std::filesystem::path program_folder();

// The code type recognised from a learned key's image in the table (replayed and
// analysed again); empty when none fits or the image cannot be replayed.
std::string recognised_type(const std::string& table, int table_code);

// Reads the basic information text (128 hex digits); false with a message on err.
bool read_basic_info(std::string& info, std::ostream& err);
// Reads the code table as the window does (one character per byte of the read buffer).
bool read_code_table(std::string& table, std::ostream& err);

// Device writes with a backup of what the remote holds first (no backup, no
// write) and the refused table saved as unwritten; messages go to err.
learning::SessionIo device_io(std::ostream& err);

// "TV VOL+" for a table code.
std::string describe_table_code(int code);

// Reads the basic information and the table and loads them into the session; the
// exit status on failure.
// unreadable_ok: a table the parser refuses is kept for the backup, with a warning.
std::optional<int> open_session(learning::Session& session, std::ostream& err,
                                bool unreadable_ok = false);

// Reads the table back after a write; true when the remote holds `written`.
bool verify_written(std::string_view written, std::ostream& err);

// Asks "QUESTION [y/N] " and reads the answer: true for y, Y or yes.
bool confirmed(std::istream& in, std::ostream& out, std::string_view question);

// Tells where the table of a failed write was saved.
void report_unwritten(const learning::Session& session, std::ostream& err);

// Tells why the session's last write failed (conflicting keys by name, a busy or
// another remote...) and where its table was saved; the exit status.
int report_write_failure(const learning::Session& session, std::string_view command,
                         std::ostream& err);

}  // namespace orvalin::cli
