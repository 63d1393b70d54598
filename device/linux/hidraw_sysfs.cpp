#include "device/hidraw_sysfs.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <system_error>

namespace vorkel::linux_hid {

namespace {

constexpr std::size_t kMaxSysfsFile = 64 * 1024;

std::optional<std::string> read_small_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxSysfsFile) return std::nullopt;
    }
    return text;
}

template <typename T>
bool parse_int(std::string_view text, T& value, int base) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return s;
}

std::optional<int> read_decimal(const std::filesystem::path& path) {
    const std::optional<std::string> text = read_small_file(path);
    int value = 0;
    if (!text || !parse_int(trim(*text), value, 10)) return std::nullopt;
    return value;
}

}  // namespace

std::optional<HidId> parse_hid_id(std::string_view uevent) {
    constexpr std::string_view kKey = "HID_ID=";
    while (!uevent.empty()) {
        const std::size_t end = uevent.find('\n');
        const std::string_view line = trim(uevent.substr(0, end));
        uevent = end == std::string_view::npos ? std::string_view{} : uevent.substr(end + 1);
        if (!line.starts_with(kKey)) continue;
        const std::string_view value = line.substr(kKey.size());
        const std::size_t first = value.find(':');
        const std::size_t second = value.find(':', first == std::string_view::npos ? 0 : first + 1);
        if (first == std::string_view::npos || second == std::string_view::npos) {
            return std::nullopt;
        }
        std::uint32_t bus = 0;
        std::uint32_t vendor = 0;
        std::uint32_t product = 0;
        if (!parse_int(value.substr(0, first), bus, 16) ||
            !parse_int(value.substr(first + 1, second - first - 1), vendor, 16) ||
            !parse_int(value.substr(second + 1), product, 16) || bus > 0xFFFF || vendor > 0xFFFF ||
            product > 0xFFFF) {
            return std::nullopt;
        }
        return HidId{static_cast<std::uint16_t>(bus), static_cast<std::uint16_t>(vendor),
                     static_cast<std::uint16_t>(product)};
    }
    return std::nullopt;
}

std::vector<std::string> hidraw_nodes(const std::filesystem::path& sysfs_root) {
    std::vector<std::pair<unsigned, std::string>> found;
    std::error_code ec;
    // increment(ec): a node that goes away mid-walk must not throw.
    std::filesystem::directory_iterator it(sysfs_root / "class" / "hidraw", ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        constexpr std::string_view kPrefix = "hidraw";
        unsigned number = 0;
        if (!name.starts_with(kPrefix) ||
            !parse_int(std::string_view(name).substr(kPrefix.size()), number, 10)) {
            continue;
        }
        found.emplace_back(number, name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> nodes;
    for (auto& [number, name] : found) nodes.push_back(std::move(name));
    return nodes;
}

std::optional<HidId> node_identity(const std::filesystem::path& sysfs_root,
                                   const std::string& node) {
    const std::optional<std::string> uevent =
        read_small_file(sysfs_root / "class" / "hidraw" / node / "device" / "uevent");
    if (!uevent) return std::nullopt;
    return parse_hid_id(*uevent);
}

std::optional<UsbLocation> node_usb_location(const std::filesystem::path& sysfs_root,
                                             const std::string& node) {
    std::error_code ec;
    std::filesystem::path dir =
        std::filesystem::canonical(sysfs_root / "class" / "hidraw" / node / "device", ec);
    if (ec) return std::nullopt;
    const std::filesystem::path top = std::filesystem::canonical(sysfs_root, ec);
    if (ec) return std::nullopt;
    // HID device -> USB interface -> USB device: the first level that has both files.
    for (int level = 0; level < 8 && dir.has_parent_path() && dir != top; ++level) {
        const std::optional<int> bus = read_decimal(dir / "busnum");
        const std::optional<int> address = read_decimal(dir / "devnum");
        if (bus && address) return UsbLocation{*bus, *address};
        dir = dir.parent_path();
    }
    return std::nullopt;
}

}  // namespace vorkel::linux_hid
