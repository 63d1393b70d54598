// Where the remotes are on this Linux system, found by their sysfs identity
// alone (nothing is opened): the hidraw node of each, the USB device it sits on
// and that device's usbfs node, and whether this user may read and write them.
// The roots are parameters so tests use a fake tree.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/hidraw_sysfs.h"

namespace vorkel::linux_hid {

struct NodeAccess {
    bool exists = false;
    bool readable = false;
    bool writable = false;
    bool usable() const { return exists && readable && writable; }
};

// Access of one device node for this process's effective user.
using AccessProbe = std::function<NodeAccess(const std::filesystem::path&)>;
NodeAccess probe_access(const std::filesystem::path& node);

struct RemoteNode {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::string hidraw;                 // "hidraw3"; empty when no hidraw node is bound
    std::filesystem::path hidraw_path;  // <dev>/hidraw3
    std::optional<UsbLocation> usb;
    std::filesystem::path usbfs_path;  // <dev>/bus/usb/001/005; empty when the device is unknown
};

// hidraw nodes whose sysfs identity is one of the remote's, in numeric order.
std::vector<std::string> remote_hidraw_nodes(const std::filesystem::path& sysfs_root);

// <dev>/bus/usb/BBB/DDD
std::filesystem::path usbfs_node(const std::filesystem::path& dev_root, UsbLocation where);

// Every remote: one entry per hidraw node with the identity, then USB devices with
// the identity that have no hidraw node (driver not bound).
std::vector<RemoteNode> find_remotes(const std::filesystem::path& sysfs_root,
                                     const std::filesystem::path& dev_root);

}  // namespace vorkel::linux_hid
