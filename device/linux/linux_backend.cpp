// Linux: hidraw for enumeration, shared open and output reports; string
// descriptors fetched anew from the device with a USB control transfer through
// libusb on the matching usbfs device (hidraw only has the strings the kernel
// cached at enumeration, and the remote changes them between reads).
#include <fcntl.h>
#include <libusb.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "device/backend.h"
#include "device/linux/hidraw_sysfs.h"

namespace vorkel {

namespace {

const std::filesystem::path kSysfsRoot = "/sys";
const std::filesystem::path kDevRoot = "/dev";
constexpr std::uint16_t kEnglishUs = 0x0409;
constexpr unsigned kControlTimeoutMs = 1000;
constexpr std::size_t kMaxDescriptor = 255;
// Direction in, standard request, device recipient.
constexpr std::uint8_t kStandardDeviceIn = 0x80;

struct OpenNode {
    int fd = -1;
    std::string node;
    libusb_context* usb = nullptr;
    libusb_device_handle* usb_device = nullptr;
    libusb_device_descriptor descriptor{};
    bool usb_tried = false;

    ~OpenNode() {
        if (usb_device != nullptr) libusb_close(usb_device);
        if (usb != nullptr) libusb_exit(usb);
        if (fd >= 0) ::close(fd);
    }

    // The usbfs device behind this hidraw node, opened on first use.
    bool open_usb() {
        if (usb_tried) return usb_device != nullptr;
        usb_tried = true;
        const std::optional<linux_hid::UsbLocation> where =
            linux_hid::node_usb_location(kSysfsRoot, node);
        if (!where || libusb_init(&usb) != 0) return false;
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(usb, &list);
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device* device = list[i];
            if (libusb_get_bus_number(device) != where->bus ||
                libusb_get_device_address(device) != where->address) {
                continue;
            }
            if (libusb_get_device_descriptor(device, &descriptor) == 0 &&
                libusb_open(device, &usb_device) != 0) {
                usb_device = nullptr;
            }
            break;
        }
        if (list != nullptr) libusb_free_device_list(list, 1);
        return usb_device != nullptr;
    }
};

OpenNode* node_of(HandleId handle) {
    return reinterpret_cast<OpenNode*>(handle);
}

class LinuxBackend final : public Backend {
  public:
    std::vector<std::string> enumerate() override {
        std::vector<std::string> paths;
        for (const std::string& node : linux_hid::hidraw_nodes(kSysfsRoot)) {
            paths.push_back((kDevRoot / node).string());
        }
        return paths;
    }

    std::optional<HandleId> open(const std::string& path) override {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) return std::nullopt;
        auto node = std::make_unique<OpenNode>();
        node->fd = fd;
        node->node = std::filesystem::path(path).filename().string();
        return reinterpret_cast<HandleId>(node.release());
    }

    std::optional<HidAttributes> attributes(HandleId handle) override {
        const std::optional<linux_hid::HidId> id =
            linux_hid::node_identity(kSysfsRoot, node_of(handle)->node);
        if (!id) return std::nullopt;
        return HidAttributes{id->vendor, id->product};
    }

    bool write_report(HandleId handle, const std::array<std::uint8_t, 9>& report) override {
        const ssize_t written = ::write(node_of(handle)->fd, report.data(), report.size());
        return written == static_cast<ssize_t>(report.size());
    }

    bool read_string(HandleId handle, StringKind kind, std::uint8_t* buffer,
                     std::size_t length) override {
        OpenNode* node = node_of(handle);
        if (!node->open_usb()) return false;
        const std::uint8_t index = kind == StringKind::serial    ? node->descriptor.iSerialNumber
                                   : kind == StringKind::product ? node->descriptor.iProduct
                                                                 : node->descriptor.iManufacturer;
        if (index == 0) return false;
        std::array<unsigned char, kMaxDescriptor> raw{};
        const auto request = static_cast<std::uint16_t>(std::min(length + 2, kMaxDescriptor));
        const int got = libusb_control_transfer(
            node->usb_device, kStandardDeviceIn, LIBUSB_REQUEST_GET_DESCRIPTOR,
            static_cast<std::uint16_t>((LIBUSB_DT_STRING << 8) | index), kEnglishUs, raw.data(),
            request, kControlTimeoutMs);
        if (got < 2) return false;
        // Raw bytes after the 2-byte header, zeros included: the remote's replies are not text.
        const std::size_t count = std::min(static_cast<std::size_t>(got) - 2, length);
        std::copy_n(raw.begin() + 2, count, buffer);
        return true;
    }

    void close(HandleId handle) override { delete node_of(handle); }
};

}  // namespace

Backend& linux_backend() {
    static LinuxBackend backend;
    return backend;
}

}  // namespace vorkel
