// Where the code library lives for the user running the program: the folders the
// user added (a small settings file in the user's config folder, shared by the
// window and orvalin-cli), the system's LIRC remotes, and the index in the
// user's cache folder. Qt-free.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvalin::library {

// $XDG_CONFIG_HOME/orvalin/library-folders (else ~/.config/...).
std::filesystem::path settings_file();
// $XDG_CACHE_HOME/orvalin/library.sqlite (else ~/.cache/...).
std::filesystem::path index_file();
// /usr/share/lirc/remotes, or ORVALIN_SYSTEM_LIBRARY when set (empty: none);
// nullopt when that folder is not there.
std::optional<std::filesystem::path> system_folder();

// A folder as the list keeps it: absolute, normal, without a trailing slash.
std::filesystem::path normal_folder(const std::filesystem::path& folder);

// The folders in the settings file, one absolute path per line, in the order
// added; lines that are not absolute paths are skipped.
std::vector<std::filesystem::path> read_folders(const std::filesystem::path& settings);
// Writes the list through a temporary file and a rename; false with why.
bool write_folders(const std::filesystem::path& settings,
                   const std::vector<std::filesystem::path>& folders, std::string& why);

// The folders to index: the user's, then the system's when present and not added.
std::vector<std::filesystem::path> indexed_folders(const std::filesystem::path& settings);

// Adds a folder (made absolute and normal); false with why when it is not a
// readable folder or already listed.
bool add_folder(const std::filesystem::path& settings, const std::filesystem::path& folder,
                std::string& why);
// Removes a listed folder; false with why when it is not listed.
bool remove_folder(const std::filesystem::path& settings, const std::filesystem::path& folder,
                   std::string& why);

}  // namespace orvalin::library
