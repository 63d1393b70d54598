// Small POSIX file helpers shared by the download, record and install code.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orvalin::update {

// Writes all of data to fd, retrying after interrupts; false on any error.
bool write_all(int fd, const char* data, std::size_t size);

// Copies the regular file from (never through a link) into a new file to (which
// must not exist yet) with the given mode, flushed to disk; false and no file at
// to on any error.
bool copy_to_new_file(const std::filesystem::path& from, const std::filesystem::path& to,
                      mode_t mode);

// The whole of a regular file (never through a link) of at most limit bytes;
// nullopt when it cannot be read or is larger.
std::optional<std::string> read_small_file(const std::filesystem::path& file, std::size_t limit);

// Replaces file with data (temporary file beside it, flushed, renamed over it).
bool replace_file(const std::filesystem::path& file, std::string_view data);

// Flushes a folder's entries (after renames in it).
void sync_dir(const std::filesystem::path& dir);

}  // namespace orvalin::update
