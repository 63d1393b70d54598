// The record of a complete, verified update in the staging folder: one line per
// file, "file|size|sha256" with the values the signed configuration gave. It is
// written only when every file of the update passed, and only files listed here
// are installed at the next start.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvalin::update {

inline constexpr const char* kManifestName = "verified.lst";

struct StagedEntry {
    std::string file;  // e.g. "on1800.dll"
    std::uint64_t size = 0;
    std::string sha256;  // lower-case hex
};

// Entries of staging_dir/verified.lst; an empty list when there is none; nullopt
// when it cannot be read or any line is malformed or names a file that may not be
// installed.
std::optional<std::vector<StagedEntry>> read_manifest(const std::filesystem::path& staging_dir);

// Replaces the manifest atomically (temp file + rename); an empty list removes it.
bool write_manifest(const std::filesystem::path& staging_dir,
                    const std::vector<StagedEntry>& entries);

enum class DownloadCheck { matches, missing, size_differs, hash_differs };

// Does the file hold exactly the signed bytes?
DownloadCheck check_download(const std::filesystem::path& file, std::uint64_t size,
                             const std::string& sha256);

}  // namespace orvalin::update
