#include "library/library_folders.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace orvalin::library {

namespace fs = std::filesystem;

namespace {

// $VAR when it is an absolute path, else ~/fallback; empty when neither is set.
fs::path user_folder(const char* variable, const char* fallback) {
    if (const char* v = std::getenv(variable); v != nullptr && *v == '/') return fs::path(v);
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return fs::path(home) / fallback;
    }
    return {};
}

}  // namespace

fs::path normal_folder(const fs::path& folder) {
    std::error_code ec;
    fs::path p = fs::absolute(folder, ec);
    if (ec) p = folder;
    p = p.lexically_normal();
    // "dir/" and "dir" are one folder.
    if (p.has_parent_path() && p.filename().empty()) p = p.parent_path();
    return p;
}

fs::path settings_file() {
    const fs::path base = user_folder("XDG_CONFIG_HOME", ".config");
    return base.empty() ? fs::path() : base / "orvalin" / "library-folders";
}

fs::path index_file() {
    const fs::path base = user_folder("XDG_CACHE_HOME", ".cache");
    return base.empty() ? fs::path() : base / "orvalin" / "library.sqlite";
}

std::optional<fs::path> system_folder() {
    fs::path folder = "/usr/share/lirc/remotes";
    if (const char* v = std::getenv("ORVALIN_SYSTEM_LIBRARY")) folder = v;
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) return std::nullopt;
    return folder;
}

std::vector<fs::path> read_folders(const fs::path& settings) {
    std::vector<fs::path> out;
    std::ifstream in(settings);
    for (std::string line; out.size() < 10000 && std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() != '/') continue;
        const fs::path p = normal_folder(line);
        if (std::find(out.begin(), out.end(), p) == out.end()) out.push_back(p);
    }
    return out;
}

bool write_folders(const fs::path& settings, const std::vector<fs::path>& folders,
                   std::string& why) {
    if (settings.empty()) {
        why = "no config folder (neither XDG_CONFIG_HOME nor HOME is set)";
        return false;
    }
    std::error_code ec;
    fs::create_directories(settings.parent_path(), ec);
    const fs::path temporary = settings.string() + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const fs::path& f : folders) out << f.string() << "\n";
        out.flush();
        if (!out) {
            why = "cannot write " + temporary.string();
            fs::remove(temporary, ec);
            return false;
        }
    }
    fs::rename(temporary, settings, ec);
    if (ec) {
        why = "cannot write " + settings.string() + ": " + ec.message();
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

std::vector<fs::path> indexed_folders(const fs::path& settings) {
    std::vector<fs::path> out = read_folders(settings);
    if (const auto system = system_folder()) {
        const fs::path s = normal_folder(*system);
        if (std::find(out.begin(), out.end(), s) == out.end()) out.push_back(s);
    }
    return out;
}

bool add_folder(const fs::path& settings, const fs::path& folder, std::string& why) {
    const fs::path p = normal_folder(folder);
    std::error_code ec;
    if (!fs::is_directory(p, ec) || ::access(p.c_str(), R_OK | X_OK) != 0) {
        why = p.string() + " is not a folder that can be read";
        return false;
    }
    std::vector<fs::path> folders = read_folders(settings);
    if (std::find(folders.begin(), folders.end(), p) != folders.end()) {
        why = p.string() + " is already in the library";
        return false;
    }
    folders.push_back(p);
    return write_folders(settings, folders, why);
}

bool remove_folder(const fs::path& settings, const fs::path& folder, std::string& why) {
    const fs::path p = normal_folder(folder);
    std::vector<fs::path> folders = read_folders(settings);
    const auto it = std::find(folders.begin(), folders.end(), p);
    if (it == folders.end()) {
        why = p.string() + " is not in the library";
        return false;
    }
    folders.erase(it);
    return write_folders(settings, folders, why);
}

}  // namespace orvalin::library
