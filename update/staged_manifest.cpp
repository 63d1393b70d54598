#include "update/staged_manifest.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "update/file_io.h"
#include "update/sha256.h"
#include "update/update_names.h"

namespace orvalin::update {
namespace fs = std::filesystem;

namespace {

std::optional<StagedEntry> parse_entry(const std::string& line) {
    const auto a = line.find('|');
    if (a == std::string::npos) return std::nullopt;
    const auto b = line.find('|', a + 1);
    if (b == std::string::npos) return std::nullopt;
    StagedEntry e;
    e.file = line.substr(0, a);
    const std::string size = line.substr(a + 1, b - a - 1);
    e.sha256 = line.substr(b + 1);
    if (!is_safe_file_name(e.file) || size.empty() || size.size() > 19 || e.sha256.size() != 64)
        return std::nullopt;
    for (char c : size) {
        if (c < '0' || c > '9') return std::nullopt;
        e.size = e.size * 10 + static_cast<std::uint64_t>(c - '0');
    }
    for (char c : e.sha256)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return std::nullopt;
    return e;
}

}  // namespace

std::vector<StagedEntry> read_manifest(const fs::path& update_dir) {
    std::vector<StagedEntry> out;
    std::ifstream in(update_dir / kManifestName);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (auto e = parse_entry(line)) {
            std::erase_if(out, [&](const StagedEntry& o) { return o.file == e->file; });
            out.push_back(std::move(*e));
        }
    }
    return out;
}

bool write_manifest(const fs::path& update_dir, const std::vector<StagedEntry>& entries) {
    const fs::path target = update_dir / kManifestName;
    std::error_code ec;
    if (entries.empty()) {
        fs::remove(target, ec);
        return !ec;
    }
    std::ostringstream text;
    for (const auto& e : entries) text << e.file << '|' << e.size << '|' << e.sha256 << '\n';
    const std::string data = text.str();
    const fs::path temp = update_dir / (std::string(kManifestName) + ".new");
    ::unlink(temp.c_str());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return false;
    bool ok = write_all(fd, data.data(), data.size());
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

bool forget_staged(const fs::path& update_dir, const std::string& file) {
    auto entries = read_manifest(update_dir);
    const auto before = entries.size();
    std::erase_if(entries, [&](const StagedEntry& e) { return e.file == file; });
    if (entries.size() == before) return true;
    return write_manifest(update_dir, entries);
}

std::optional<FileDigest> digest_file(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return std::nullopt;
    Sha256 hash;
    FileDigest d;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        hash.add(buffer, static_cast<std::size_t>(n));
        d.size += static_cast<std::uint64_t>(n);
    }
    ::close(fd);
    d.sha256 = hash.hex_digest();
    return d;
}

bool record_verified(const fs::path& update_dir, const std::string& file, std::uint64_t size) {
    if (!is_safe_file_name(file)) return false;
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(update_dir / file, ec))) return false;
    const auto digest = digest_file(update_dir / file);
    if (!digest || digest->size != size) return false;
    auto entries = read_manifest(update_dir);
    std::erase_if(entries, [&](const StagedEntry& e) { return e.file == file; });
    entries.push_back({file, size, digest->sha256});
    return write_manifest(update_dir, entries);
}

}  // namespace orvalin::update
