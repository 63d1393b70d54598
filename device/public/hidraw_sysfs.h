// What the Linux backend learns from sysfs: the hidraw nodes present, the
// vendor/product identity of each, and the USB device (bus number, device
// address) a node belongs to. The root is a parameter so tests use a fake tree.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorkel::linux_hid {

struct HidId {
    std::uint16_t bus = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
};

struct UsbLocation {
    int bus = 0;
    int address = 0;
};

// "HID_ID=0003:00001920:00002A69" in a uevent text.
std::optional<HidId> parse_hid_id(std::string_view uevent);

// hidraw node names ("hidraw0", "hidraw2", "hidraw10") in numeric order.
std::vector<std::string> hidraw_nodes(const std::filesystem::path& sysfs_root);

// Identity from <root>/class/hidraw/<node>/device/uevent.
std::optional<HidId> node_identity(const std::filesystem::path& sysfs_root,
                                   const std::string& node);

// busnum/devnum of the nearest USB device above the node.
std::optional<UsbLocation> node_usb_location(const std::filesystem::path& sysfs_root,
                                             const std::string& node);

}  // namespace vorkel::linux_hid
