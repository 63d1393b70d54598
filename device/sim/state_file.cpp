#include "device/sim/state_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

#include "device/sim/factory_state.h"

namespace vorkel::sim {

namespace {

constexpr std::string_view kMagic = "orvalin simulated remote memory 1\n";

}  // namespace

std::filesystem::path default_state_path() {
    if (const char* named = std::getenv("VORKEL_SIM_STATE"); named != nullptr && *named != '\0') {
        return named;
    }
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        base = std::filesystem::path(home) / ".local" / "share";
    } else {
        return {};
    }
    return base / "orvalin" / "simulated-remote.state";
}

LoadedState read_state(const std::filesystem::path& path) {
    LoadedState loaded;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ec;
        loaded.status = std::filesystem::exists(path, ec) ? StateRead::damaged : StateRead::missing;
        return loaded;
    }
    loaded.status = StateRead::damaged;
    std::string header(kMagic.size(), '\0');
    if (!in.read(header.data(), static_cast<std::streamsize>(header.size())) || header != kMagic) {
        return loaded;
    }
    std::vector<std::uint8_t> memory(kMemorySize);
    if (!in.read(reinterpret_cast<char*>(memory.data()),
                 static_cast<std::streamsize>(kMemorySize))) {
        return loaded;
    }
    if (in.peek() != std::char_traits<char>::eof()) return loaded;
    loaded.status = StateRead::ok;
    loaded.memory = std::move(memory);
    return loaded;
}

std::optional<std::vector<std::uint8_t>> load_state(const std::filesystem::path& path) {
    LoadedState loaded = read_state(path);
    if (loaded.status != StateRead::ok) return std::nullopt;
    return std::move(loaded.memory);
}

namespace {

bool write_all(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool save_state(const std::filesystem::path& path, const std::vector<std::uint8_t>& memory) {
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    std::filesystem::path temp = path;
    temp += ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool written = write_all(fd, kMagic.data(), kMagic.size()) &&
                         write_all(fd, memory.data(), memory.size()) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    // The rename itself must reach the disk too.
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return true;
}

std::filesystem::path set_aside_damaged(const std::filesystem::path& path) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    std::filesystem::path base = path;
    base += ".damaged-" + std::to_string(seconds) + "-" + std::to_string(::getpid());
    std::error_code ec;
    for (int n = 0; n < 1000; ++n) {
        std::filesystem::path aside = base;
        if (n > 0) aside += "-" + std::to_string(n);
        if (std::filesystem::exists(aside, ec)) continue;  // an earlier one is kept too
        std::filesystem::rename(path, aside, ec);
        return ec ? std::filesystem::path{} : aside;
    }
    return {};
}

// The folder is locked, not a file in it: the state file is replaced by rename, and
// a lock file would be one more file in the user's folder.
StateLock::StateLock(const std::filesystem::path& state_path) {
    std::error_code ec;
    const std::filesystem::path folder =
        state_path.has_parent_path() ? state_path.parent_path() : ".";
    std::filesystem::create_directories(folder, ec);
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
}

StateLock::~StateLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace vorkel::sim
