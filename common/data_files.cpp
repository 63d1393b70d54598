#include "common/data_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace orvalin {
namespace fs = std::filesystem;

namespace {

bool regular_file(const fs::path& p, struct stat& st) {
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool newer_or_same(const struct stat& a, const struct stat& b) {
    if (a.st_mtim.tv_sec != b.st_mtim.tv_sec) return a.st_mtim.tv_sec > b.st_mtim.tv_sec;
    return a.st_mtim.tv_nsec >= b.st_mtim.tv_nsec;
}

}  // namespace

UserFolders UserFolders::from_environment() {
    UserFolders f;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') {
        f.data = fs::path(xdg) / "orvalin";
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        f.data = fs::path(home) / ".local" / "share" / "orvalin";
    }
    struct stat st {};
    const char* run = std::getenv("XDG_RUNTIME_DIR");
    if (run != nullptr && *run == '/' && ::stat(run, &st) == 0 && S_ISDIR(st.st_mode) &&
        ::access(run, W_OK) == 0) {
        f.runtime = run;
    } else {
        std::error_code ec;
        f.runtime = fs::temp_directory_path(ec);
        if (ec) f.runtime = "/tmp";
    }
    return f;
}

fs::path data_file(const fs::path& program_dir, std::string_view name,
                   const fs::path& overlay_dir) {
    const fs::path own = program_dir / name;
    if (overlay_dir.empty()) return own;
    const fs::path over = overlay_dir / name;
    struct stat o {
    }, p{};
    if (!regular_file(over, o)) return own;
    if (regular_file(own, p) && !newer_or_same(o, p)) return own;
    return over;
}

fs::path data_file(const fs::path& program_dir, std::string_view name) {
    const UserFolders folders = UserFolders::from_environment();
    return data_file(program_dir, name, folders.data.empty() ? fs::path() : folders.overlay());
}

}  // namespace orvalin
