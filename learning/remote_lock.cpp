#include "learning/remote_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

namespace orvalin::learning {

namespace {

std::string first_line(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::chrono::milliseconds wait_from_environment(std::chrono::milliseconds wait) {
    const char* text = std::getenv("ORVALIN_LOCK_WAIT_MS");
    if (text == nullptr || *text == '\0') return wait;
    int ms = 0;
    const char* end = text + std::strlen(text);
    const auto [stop, ec] = std::from_chars(text, end, ms);
    if (ec != std::errc{} || stop != end || ms < 0) return wait;
    return std::chrono::milliseconds(std::min(ms, 600'000));
}

struct LockFile {
    int fd = -1;
    ~LockFile() {
        if (fd >= 0) ::close(fd);  // closing drops the lock
    }
};

}  // namespace

std::filesystem::path runtime_folder() {
    if (const char* named = std::getenv("ORVALIN_RUNTIME_DIR"); named != nullptr && *named == '/')
        return named;
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg != nullptr && *xdg == '/') return xdg;
    return std::filesystem::temp_directory_path() / ("orvalin-" + std::to_string(::getuid()));
}

std::string remote_lock_name(const std::filesystem::path& sysfs_root) {
    if (const char* backend = std::getenv("VORKEL_BACKEND");
        backend != nullptr && std::strcmp(backend, "sim") == 0)
        return "orvalin-remote-sim.lock";
    std::vector<std::string> ports;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(sysfs_root / "bus" / "usb" / "devices", ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::filesystem::path dir = it->path();
        const std::string name = dir.filename().string();
        // Port paths only ("1-1.2"); the root hubs and interfaces ("usb1", "1-1:1.0") are not.
        if (name.empty() || name.find(':') != std::string::npos ||
            name.find_first_not_of("0123456789-.") != std::string::npos)
            continue;
        std::string vendor = first_line(dir / "idVendor"), product = first_line(dir / "idProduct");
        std::transform(vendor.begin(), vendor.end(), vendor.begin(), ::tolower);
        std::transform(product.begin(), product.end(), product.begin(), ::tolower);
        if (vendor == "1920" && product == "2a69") ports.push_back(name);
    }
    if (ports.empty()) return "orvalin-remote-usb.lock";
    std::sort(ports.begin(), ports.end());
    return "orvalin-remote-" + ports.front() + ".lock";
}

std::shared_ptr<void> take_lock_file(const std::filesystem::path& file,
                                     std::chrono::milliseconds wait) {
    auto lock = std::make_shared<LockFile>();
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    lock->fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock->fd < 0) return lock;
    const auto until = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (::flock(lock->fd, LOCK_EX | LOCK_NB) == 0) return lock;
        if (errno != EWOULDBLOCK && errno != EINTR) return lock;
        if (std::chrono::steady_clock::now() >= until) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::shared_ptr<void> take_remote_lock(std::chrono::milliseconds wait) {
    return take_lock_file(runtime_folder() / remote_lock_name(), wait_from_environment(wait));
}

}  // namespace orvalin::learning
