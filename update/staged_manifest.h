// A complete, verified update in the staging folder: the signed configuration it
// was downloaded under ("staged.ini", its exact signed bytes, and "staged.ini.sig")
// and the list of its files ("verified.lst", one "file|size|sha256" line per file).
// Both are written only when every file of the update passed. The list is a cache
// that the install never trusts: it names which of the signed files were staged,
// and every size and hash is taken from the configuration again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvalin::update {

inline constexpr const char* kManifestName = "verified.lst";
inline constexpr const char* kStagedConfigName = "staged.ini";
inline constexpr const char* kStagedSignatureName = "staged.ini.sig";

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

// Keeps the configuration the update is staged under, exactly as it was signed.
bool write_staged_config(const std::filesystem::path& staging_dir, std::string_view signed_bytes,
                         std::string_view signature);

// Removes a staged update (its files, configuration and list), if there is one.
void drop_staged_update(const std::filesystem::path& staging_dir);

// Stages a complete update: the configuration as signed, then the list of its files
// (present already in staging_dir). The list comes last: it makes the update.
bool stage_update(const std::filesystem::path& staging_dir, std::string_view signed_bytes,
                  std::string_view signature, const std::vector<StagedEntry>& entries);

enum class DownloadCheck { matches, missing, size_differs, hash_differs };

// Does the file hold exactly the signed bytes?
DownloadCheck check_download(const std::filesystem::path& file, std::uint64_t size,
                             const std::string& sha256);

}  // namespace orvalin::update
