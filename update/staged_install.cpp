#include "update/staged_install.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "update/file_io.h"
#include "update/sha256.h"
#include "update/staged_manifest.h"
#include "update/update_names.h"

namespace orvalin::update {
namespace fs = std::filesystem;

namespace {

enum class Outcome { installed, bad_staged_file, io_error };

void sync_dir(const fs::path& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Copies the staged file to a temporary name beside the target, checking while
// copying that the bytes are the verified ones, then renames it over the target.
Outcome install_one(const fs::path& program_dir, const StagedEntry& e, std::string& why) {
    const fs::path staged = program_dir / "update" / e.file;
    const int in = ::open(staged.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    struct stat st {};
    if (in < 0 || fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (in >= 0) ::close(in);
        why = "staged file missing";
        return Outcome::bad_staged_file;
    }
    const fs::path target = program_dir / e.file;
    const fs::path temp = program_dir / ("." + e.file + ".orvalin-new");
    mode_t mode = 0644;
    struct stat old {};
    if (::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) mode = old.st_mode & 07777;
    ::unlink(temp.c_str());
    const int out =
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (out < 0) {
        ::close(in);
        why = "cannot create a temporary file in the program folder";
        return Outcome::io_error;
    }
    Sha256 hash;
    std::uint64_t size = 0;
    bool io_ok = true;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            io_ok = false;
            break;
        }
        if (n == 0) break;
        hash.add(buffer, static_cast<std::size_t>(n));
        size += static_cast<std::uint64_t>(n);
        if (!write_all(out, buffer, static_cast<std::size_t>(n))) {
            io_ok = false;
            break;
        }
    }
    ::close(in);
    io_ok = ::fchmod(out, mode) == 0 && io_ok;
    io_ok = ::fsync(out) == 0 && io_ok;
    io_ok = ::close(out) == 0 && io_ok;
    if (!io_ok) {
        ::unlink(temp.c_str());
        why = "copy into the program folder failed";
        return Outcome::io_error;
    }
    if (size != e.size || hash.hex_digest() != e.sha256) {
        ::unlink(temp.c_str());
        why = "staged file differs from the verified download";
        return Outcome::bad_staged_file;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        why = "cannot replace the file in the program folder";
        return Outcome::io_error;
    }
    sync_dir(program_dir);
    return Outcome::installed;
}

}  // namespace

InstallReport install_staged_updates(const fs::path& program_dir) {
    InstallReport report;
    const fs::path update_dir = program_dir / "update";
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(update_dir, ec))) return report;
    const auto entries = read_manifest(update_dir);
    if (entries.empty()) return report;
    std::vector<StagedEntry> keep;
    for (const auto& e : entries) {
        std::string why;
        switch (install_one(program_dir, e, why)) {
            case Outcome::installed:
                report.installed.push_back(e.file);
                break;
            case Outcome::bad_staged_file:
                report.failed.push_back(e.file + ": " + why);
                break;  // never installable: the entry goes
            case Outcome::io_error:
                report.failed.push_back(e.file + ": " + why);
                keep.push_back(e);  // try again at the next start
                break;
        }
    }
    if (!write_manifest(update_dir, keep))
        report.failed.push_back(std::string(kManifestName) + ": not rewritten");
    return report;
}

}  // namespace orvalin::update
