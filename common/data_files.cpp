#include "common/data_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "common/decimal_text.h"

namespace orvalin {
namespace fs = std::filesystem;

namespace {

bool regular_file(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

UserFolders UserFolders::from_environment() {
    UserFolders f;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') {
        f.data = fs::path(xdg) / "orvalin";
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        f.data = fs::path(home) / ".local" / "share" / "orvalin";
    }
    // Only a runtime folder that nobody else can write into or read.
    struct stat st {};
    const char* run = std::getenv("XDG_RUNTIME_DIR");
    if (run != nullptr && *run == '/' && ::lstat(run, &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == ::geteuid() && (st.st_mode & 077) == 0 && ::access(run, W_OK) == 0)
        f.runtime = run;
    return f;
}

SerialList read_overlay_serials(const fs::path& overlay_dir) {
    SerialList out;
    if (overlay_dir.empty()) return out;
    std::ifstream in(overlay_dir / kOverlaySerials, std::ios::binary);
    std::string line;
    for (int n = 0; n < 256 && std::getline(in, line); ++n) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto bar = line.find('|');
        if (bar == std::string::npos || bar == 0) continue;
        const auto serial = parse_decimal(std::string_view(line).substr(bar + 1));
        if (serial) out.emplace_back(line.substr(0, bar), *serial);
    }
    return out;
}

std::string overlay_serials_text(const SerialList& list) {
    std::string text;
    for (const auto& [file, serial] : list) text += file + "|" + std::to_string(serial) + "\n";
    return text;
}

std::optional<std::uint64_t> package_data_serial() {
#ifdef ORVALIN_DATA_SERIAL
    return parse_decimal(ORVALIN_DATA_SERIAL);
#else
    return std::nullopt;
#endif
}

fs::path data_file(const fs::path& program_dir, std::string_view name, const fs::path& overlay_dir,
                   std::optional<std::uint64_t> package_serial) {
    const fs::path own = program_dir / name;
    if (overlay_dir.empty()) return own;
    const fs::path over = overlay_dir / name;
    if (!regular_file(over)) return own;
    if (!regular_file(own)) return over;
    if (!package_serial) return own;
    for (const auto& [file, serial] : read_overlay_serials(overlay_dir))
        if (file == name) return serial > *package_serial ? over : own;
    return own;  // a copy no install recorded
}

fs::path data_file(const fs::path& program_dir, std::string_view name,
                   const fs::path& overlay_dir) {
    return data_file(program_dir, name, overlay_dir, package_data_serial());
}

fs::path data_file(const fs::path& program_dir, std::string_view name) {
    const UserFolders folders = UserFolders::from_environment();
    return data_file(program_dir, name, folders.data.empty() ? fs::path() : folders.overlay());
}

}  // namespace orvalin
