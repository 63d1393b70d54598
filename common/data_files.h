// Where the program finds its data files (picture libraries, the code-info file,
// help): an update installed for one user lives in that user's overlay folder, so
// an installed, read-only program folder still gets updates. Qt-free.
#pragma once

#include <filesystem>
#include <string_view>

namespace orvalin {

// The folders of the user running the program.
struct UserFolders {
    std::filesystem::path data;     // $XDG_DATA_HOME/orvalin, else ~/.local/share/orvalin
    std::filesystem::path runtime;  // $XDG_RUNTIME_DIR if it is a writable folder, else /tmp

    std::filesystem::path overlay() const { return data / "overlay"; }
    std::filesystem::path staging() const { return data / "update"; }

    // Empty data folder when neither XDG_DATA_HOME (absolute) nor HOME is set.
    static UserFolders from_environment();
};

// The copy of a data file to open: the overlay's when it is a regular file at
// least as new as the program folder's copy, else the program folder's. A newer
// program folder copy wins so that a later package upgrade is not hidden by an
// older online update.
std::filesystem::path data_file(const std::filesystem::path& program_dir, std::string_view name,
                                const std::filesystem::path& overlay_dir);
// The same with the overlay of the user running the program.
std::filesystem::path data_file(const std::filesystem::path& program_dir, std::string_view name);

}  // namespace orvalin
