// Copies of the remote's code table, saved before every write so that a failed or
// mistaken write never loses a learned key. Qt-free.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "learning/code_table.h"

namespace orvalin::learning {

// Newest backups kept in the folder; older ones are removed after each save.
inline constexpr std::size_t kBackupsKept = 200;

// ORVALIN_BACKUP_DIR if set, else $XDG_DATA_HOME/orvalin/backups, else
// ~/.local/share/orvalin/backups. Empty when none of these can be found.
std::filesystem::path backup_folder();

// The table text up to its real end: cut at the first NUL character.
std::string_view table_without_padding(std::string_view table_text);

struct BackupResult {
    bool ok = false;
    std::filesystem::path file;  // the file written
    std::string error;           // why it failed (for the user and the diagnostic memo)
};

// Saves the table in folder as code-table-YYYYMMDD-HHMMSS.hex (local time of now),
// adding -1, -2, ... when a file of that name exists; never overwrites. Then keeps
// only the newest `keep` backups of the folder.
BackupResult save_table_backup(std::string_view table_text, const std::filesystem::path& folder,
                               std::chrono::system_clock::time_point now,
                               std::size_t keep = kBackupsKept);

// Saves a table that did not reach the remote as unwritten-YYYYMMDD-HHMMSS.hex in
// folder (beside the backups, never pruned, never overwritten), so that the keys
// it holds survive the program.
BackupResult save_unwritten_table(std::string_view table_text, const std::filesystem::path& folder,
                                  std::chrono::system_clock::time_point now);

// The newest code-table-*.hex backup of the folder; nothing when there is none.
std::optional<std::filesystem::path> newest_backup(const std::filesystem::path& folder);

// A saved table (a backup or any file of one table line) ready to be written: read
// (at most 64 KiB), checked by the parser and cut at the table's real end. An
// error when it cannot be read (malformed) or is not a table.
TableResult read_table_file(const std::filesystem::path& file);

}  // namespace orvalin::learning
