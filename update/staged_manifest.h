// The record of verified downloads in the update folder: one line per file,
// "file|size|sha256". Only files listed here are installed at the next start.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvalin::update {

inline constexpr const char* kManifestName = "verified.lst";

struct StagedEntry {
    std::string file;  // "name.dll"
    std::uint64_t size = 0;
    std::string sha256;  // lower-case hex
};

// Entries of update_dir/verified.lst; malformed lines and unsafe names are dropped.
std::vector<StagedEntry> read_manifest(const std::filesystem::path& update_dir);

// Replaces the manifest atomically (temp file + rename); an empty list removes it.
bool write_manifest(const std::filesystem::path& update_dir,
                    const std::vector<StagedEntry>& entries);

// Drops the entry of file, before the file is downloaded again.
bool forget_staged(const std::filesystem::path& update_dir, const std::string& file);

// Hashes update_dir/file and records it as verified; false if the file is not a
// regular file of exactly size bytes or the manifest cannot be written.
bool record_verified(const std::filesystem::path& update_dir, const std::string& file,
                     std::uint64_t size);

// SHA-256 and size of a regular file (symbolic links refused).
struct FileDigest {
    std::uint64_t size = 0;
    std::string sha256;
};
std::optional<FileDigest> digest_file(const std::filesystem::path& file);

}  // namespace orvalin::update
