// Files downloaded and verified by the update window wait in the update folder
// until the next start, when the program (before it loads any of them) moves them
// into the program folder. Qt-free.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orvalin::update {

struct InstallReport {
    std::vector<std::string> installed;  // file names moved into place
    std::vector<std::string> failed;     // file names left staged (with reason)
};

// Installs every file recorded as verified in program_dir/update; never touches
// anything outside program_dir. Safe to call when nothing is staged.
InstallReport install_staged_updates(const std::filesystem::path& program_dir);

}  // namespace orvalin::update
