#include "device/sim/state_file.h"

#include <unistd.h>

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

std::optional<std::vector<std::uint8_t>> load_state(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string header(kMagic.size(), '\0');
    if (!in.read(header.data(), static_cast<std::streamsize>(header.size())) || header != kMagic) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> memory(kMemorySize);
    if (!in.read(reinterpret_cast<char*>(memory.data()),
                 static_cast<std::streamsize>(kMemorySize))) {
        return std::nullopt;
    }
    if (in.peek() != std::char_traits<char>::eof()) return std::nullopt;
    return memory;
}

bool save_state(const std::filesystem::path& path, const std::vector<std::uint8_t>& memory) {
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    std::filesystem::path temp = path;
    temp += ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(kMagic.data(), static_cast<std::streamsize>(kMagic.size()));
        out.write(reinterpret_cast<const char*>(memory.data()),
                  static_cast<std::streamsize>(memory.size()));
        out.flush();
        if (!out) {
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace vorkel::sim
