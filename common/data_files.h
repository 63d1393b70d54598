// Where the program finds its data files (picture libraries, the code-info file,
// help): an update installed for one user lives in that user's overlay folder, so
// an installed, read-only program folder still gets updates. Qt-free.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvalin {

// The folders of the user running the program.
struct UserFolders {
    std::filesystem::path data;  // $XDG_DATA_HOME/orvalin, else ~/.local/share/orvalin
    // $XDG_RUNTIME_DIR when it is a folder of this user's alone; empty otherwise
    // (temporary files then go into a private folder of their own, see private_folder).
    std::filesystem::path runtime;

    std::filesystem::path overlay() const { return data / "overlay"; }
    std::filesystem::path staging() const { return data / "update"; }

    // Empty data folder when neither XDG_DATA_HOME (absolute) nor HOME is set.
    static UserFolders from_environment();
};

// The overlay's record of the update serial each of its files was installed under:
// "serials.lst", one "file|serial" line per file.
inline constexpr const char* kOverlaySerials = "serials.lst";
using SerialList = std::vector<std::pair<std::string, std::uint64_t>>;
// Lines that do not read are left out; an absent or oversized record is empty.
SerialList read_overlay_serials(const std::filesystem::path& overlay_dir);
std::string overlay_serials_text(const SerialList& list);

// The update serial of the data files this build ships (the ORVALIN_DATA_SERIAL
// build setting); none: they count as the newest.
std::optional<std::uint64_t> package_data_serial();

// The copy of a data file to open. The overlay's copy wins only when it is a
// regular file recorded under a serial higher than the program folder's copy
// counts for (package_serial; none: the program folder's copy is the newest), or
// when the program folder has none. File dates play no part: a package upgrade
// may well carry older dates than an update installed before it.
std::filesystem::path data_file(const std::filesystem::path& program_dir, std::string_view name,
                                const std::filesystem::path& overlay_dir,
                                std::optional<std::uint64_t> package_serial);
// The same with this build's package serial.
std::filesystem::path data_file(const std::filesystem::path& program_dir, std::string_view name,
                                const std::filesystem::path& overlay_dir);
// The same with the overlay of the user running the program.
std::filesystem::path data_file(const std::filesystem::path& program_dir, std::string_view name);

}  // namespace orvalin
