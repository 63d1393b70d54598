#include "device/remote_nodes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "common/hex_text.h"
#include "device/identity.h"

namespace vorkel::linux_hid {

namespace {

std::optional<std::uint16_t> read_hex16(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string text;
    if (!in || !std::getline(in, text) || text.empty() || text.size() > 8) return std::nullopt;
    const long value = orvalin::hex::digits_value(text);
    if (value < 0 || value > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::optional<int> read_number(const std::filesystem::path& path) {
    std::ifstream in(path);
    int value = 0;
    if (!(in >> value) || value < 0 || value > 999) return std::nullopt;
    return value;
}

}  // namespace

NodeAccess probe_access(const std::filesystem::path& node) {
    NodeAccess access;
    struct stat info {};
    access.exists = ::stat(node.c_str(), &info) == 0;
    if (!access.exists) return access;
    // The effective user decides what an open would get. Without set-user-ID the
    // real user is that user, and plain access() is the call that interposers
    // (umockdev's preload, as the tests use it) redirect as they redirect open().
    const bool same_user = ::getuid() == ::geteuid() && ::getgid() == ::getegid();
    const auto can = [&](int mode) {
        return same_user ? ::access(node.c_str(), mode) == 0
                         : ::faccessat(AT_FDCWD, node.c_str(), mode, AT_EACCESS) == 0;
    };
    access.readable = can(R_OK);
    access.writable = can(W_OK);
    return access;
}

std::vector<std::string> remote_hidraw_nodes(const std::filesystem::path& sysfs_root) {
    std::vector<std::string> nodes;
    for (const std::string& node : hidraw_nodes(sysfs_root)) {
        const std::optional<HidId> id = node_identity(sysfs_root, node);
        if (id && is_remote_identity(id->vendor, id->product)) nodes.push_back(node);
    }
    return nodes;
}

std::filesystem::path usbfs_node(const std::filesystem::path& dev_root, UsbLocation where) {
    char bus[8];
    char address[8];
    std::snprintf(bus, sizeof bus, "%03d", where.bus);
    std::snprintf(address, sizeof address, "%03d", where.address);
    return dev_root / "bus" / "usb" / bus / address;
}

std::vector<RemoteNode> find_remotes(const std::filesystem::path& sysfs_root,
                                     const std::filesystem::path& dev_root) {
    std::vector<RemoteNode> remotes;
    for (const std::string& node : remote_hidraw_nodes(sysfs_root)) {
        const std::optional<HidId> id = node_identity(sysfs_root, node);
        if (!id) continue;  // gone between the two reads
        RemoteNode remote;
        remote.vendor = id->vendor;
        remote.product = id->product;
        remote.hidraw = node;
        remote.hidraw_path = dev_root / node;
        remote.usb = node_usb_location(sysfs_root, node);
        if (remote.usb) remote.usbfs_path = usbfs_node(dev_root, *remote.usb);
        remotes.push_back(std::move(remote));
    }
    // USB devices with the identity but no hidraw node (no HID driver bound).
    std::error_code ec;
    std::filesystem::directory_iterator it(sysfs_root / "bus" / "usb" / "devices", ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::filesystem::path dir = it->path();
        const std::optional<std::uint16_t> vendor = read_hex16(dir / "idVendor");
        const std::optional<std::uint16_t> product = read_hex16(dir / "idProduct");
        if (!vendor || !product || !is_remote_identity(*vendor, *product)) continue;
        const std::optional<int> bus = read_number(dir / "busnum");
        const std::optional<int> address = read_number(dir / "devnum");
        if (!bus || !address) continue;
        bool known = false;
        for (const RemoteNode& remote : remotes) {
            known =
                known || (remote.usb && remote.usb->bus == *bus && remote.usb->address == *address);
        }
        if (known) continue;
        RemoteNode remote;
        remote.vendor = *vendor;
        remote.product = *product;
        remote.usb = UsbLocation{*bus, *address};
        remote.usbfs_path = usbfs_node(dev_root, *remote.usb);
        remotes.push_back(std::move(remote));
    }
    return remotes;
}

}  // namespace vorkel::linux_hid
