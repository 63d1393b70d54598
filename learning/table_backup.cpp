#include "learning/table_backup.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <system_error>
#include <vector>

namespace orvalin::learning {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "code-table-";
constexpr std::string_view kSuffix = ".hex";
constexpr std::string_view kUnwrittenPrefix = "unwritten-";

std::string stamp(std::chrono::system_clock::time_point now) {
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
    return buf;
}

// Sort key of a backup file name: time stamp and the number added for a clash.
struct BackupName {
    std::string stamp;
    unsigned long serial = 0;
    fs::path path;
};

bool all_digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<BackupName> parse_backup_name(const fs::path& path) {
    const std::string name = path.filename().string();
    std::string_view s = name;
    if (!s.starts_with(kPrefix) || !s.ends_with(kSuffix)) return std::nullopt;
    s.remove_prefix(kPrefix.size());
    s.remove_suffix(kSuffix.size());
    // YYYYMMDD-HHMMSS[-N]
    if (s.size() < 15 || !all_digits(s.substr(0, 8)) || s[8] != '-' || !all_digits(s.substr(9, 6)))
        return std::nullopt;
    BackupName b;
    b.stamp = std::string(s.substr(0, 15));
    b.path = path;
    if (s.size() > 15) {
        std::string_view n = s.substr(15);
        if (n.size() < 2 || n.size() > 10 || n[0] != '-' || !all_digits(n.substr(1)))
            return std::nullopt;
        b.serial = std::stoul(std::string(n.substr(1)));
    }
    return b;
}

void prune(const fs::path& folder, std::size_t keep, const fs::path& just_written) {
    std::vector<BackupName> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        // The file just written stays even when the clock was set back.
        if (it->path() == just_written) continue;
        if (auto b = parse_backup_name(it->path())) found.push_back(std::move(*b));
    }
    if (keep > 0) --keep;  // room for the file just written
    if (found.size() <= keep) return;
    std::sort(found.begin(), found.end(), [](const BackupName& a, const BackupName& b) {
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.serial > b.serial;
    });
    for (std::size_t i = keep; i < found.size(); ++i) fs::remove(found[i].path, ec);
}

// Creates the file only if it does not exist yet.
bool write_new_file(const fs::path& file, std::string_view data, int& err) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        err = errno;
        return false;
    }
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            ::close(fd);
            ::unlink(file.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        err = errno;
        ::unlink(file.c_str());
        return false;
    }
    return true;
}

}  // namespace

fs::path backup_folder() {
    if (const char* dir = std::getenv("ORVALIN_BACKUP_DIR"); dir && *dir) return fs::path(dir);
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data && data[0] == '/')
        return fs::path(data) / "orvalin" / "backups";
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".local" / "share" / "orvalin" / "backups";
    return {};
}

std::string_view table_without_padding(std::string_view table_text) {
    const auto nul = table_text.find('\0');
    return nul == std::string_view::npos ? table_text : table_text.substr(0, nul);
}

namespace {

// Writes data + newline as PREFIX-YYYYMMDD-HHMMSS[-N].hex in folder; never overwrites.
BackupResult save_new(std::string_view prefix, std::string_view table_text, const fs::path& folder,
                      std::chrono::system_clock::time_point now) {
    BackupResult r;
    if (folder.empty()) {
        r.error = "no folder for backups (HOME is not set)";
        return r;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        r.error = folder.string() + ": " + ec.message();
        return r;
    }
    std::string data(table_without_padding(table_text));
    data += '\n';
    const std::string base = std::string(prefix) + stamp(now);
    int err = 0;
    for (unsigned serial = 0; serial < 1000; ++serial) {
        const std::string name =
            base + (serial == 0 ? "" : "-" + std::to_string(serial)) + std::string(kSuffix);
        const fs::path file = folder / name;
        if (write_new_file(file, data, err)) {
            r.ok = true;
            r.file = file;
            return r;
        }
        if (err != EEXIST) break;
    }
    r.error = folder.string() + ": " + std::strerror(err);
    return r;
}

}  // namespace

BackupResult save_table_backup(std::string_view table_text, const fs::path& folder,
                               std::chrono::system_clock::time_point now, std::size_t keep) {
    BackupResult r = save_new(kPrefix, table_text, folder, now);
    if (r.ok) prune(folder, keep, r.file);
    return r;
}

BackupResult save_unwritten_table(std::string_view table_text, const fs::path& folder,
                                  std::chrono::system_clock::time_point now) {
    return save_new(kUnwrittenPrefix, table_text, folder, now);
}

std::optional<fs::path> newest_backup(const fs::path& folder) {
    std::optional<BackupName> newest;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        auto b = parse_backup_name(it->path());
        if (!b) continue;
        if (!newest || b->stamp > newest->stamp ||
            (b->stamp == newest->stamp && b->serial > newest->serial))
            newest = std::move(b);
    }
    if (!newest) return std::nullopt;
    return newest->path;
}

TableResult read_table_file(const fs::path& file) {
    // A backup holds one table line; anything bigger is not one.
    constexpr std::size_t kMaxFileBytes = 64 * 1024;
    std::ifstream in(file, std::ios::binary);
    if (!in) return {{}, TableError::malformed};
    std::string text;
    char c = 0;
    while (text.size() <= kMaxFileBytes && in.get(c)) text += c;
    if (text.size() > kMaxFileBytes) return {{}, TableError::too_large};
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return normalised_table(text);
}

}  // namespace orvalin::learning
