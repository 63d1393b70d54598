// Linux: the remote's hidraw nodes are found by their sysfs identity, so no
// other HID device is ever opened; the identity is confirmed on the open file
// with HIDIOCGRAWINFO. hidraw carries the output reports. String descriptors are
// fetched anew from the device with a USB control transfer through libusb on the
// matching usbfs device (hidraw only has the strings the kernel cached at
// enumeration, and the remote changes them between reads).
#include "device/linux/linux_backend.h"

#include <fcntl.h>
#include <libusb.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <optional>

#include "device/hidraw_sysfs.h"
#include "device/linux/string_language.h"
#include "device/remote_nodes.h"

namespace vorkel {

namespace {

// Short enough that a capture on a remote that stopped answering ends well
// within a second; a healthy remote answers a control transfer in a few ms.
constexpr unsigned kControlTimeoutMs = 250;
constexpr std::size_t kMaxDescriptor = 255;
// Direction in, standard request, device recipient.
constexpr std::uint8_t kStandardDeviceIn = 0x80;

ReadStatus status_of(int libusb_result) {
    switch (libusb_result) {
        case LIBUSB_ERROR_TIMEOUT:
        case LIBUSB_ERROR_NO_DEVICE:
        case LIBUSB_ERROR_IO:
            return ReadStatus::lost;
        default:
            return ReadStatus::failed;
    }
}

struct OpenNode {
    int fd = -1;
    std::string node;
    std::filesystem::path sysfs_root;
    libusb_context* usb = nullptr;
    libusb_device_handle* usb_device = nullptr;
    libusb_device_descriptor descriptor{};
    std::uint16_t language = linux_hid::kFallbackLanguage;
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
            linux_hid::node_usb_location(sysfs_root, node);
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
        if (usb_device != nullptr) language = first_language();
        return usb_device != nullptr;
    }

    // String descriptor 0 lists the device's languages: take the first, once per open.
    std::uint16_t first_language() {
        std::array<unsigned char, kMaxDescriptor> raw{};
        const int got = libusb_control_transfer(
            usb_device, kStandardDeviceIn, LIBUSB_REQUEST_GET_DESCRIPTOR, LIBUSB_DT_STRING << 8, 0,
            raw.data(), static_cast<std::uint16_t>(raw.size()), kControlTimeoutMs);
        return linux_hid::first_language(raw.data(), got);
    }
};

// The bytes after the header of a string descriptor as the transfer returned
// it, or nothing when it is no string descriptor or ended before the length it
// announces (and before the length asked for): a reply cut short is not data.
std::optional<std::size_t> descriptor_body(const unsigned char* raw, int got, std::size_t asked) {
    if (got < 2 || raw[0] < 2 || raw[1] != LIBUSB_DT_STRING) return std::nullopt;
    const auto received = static_cast<std::size_t>(got);
    const std::size_t announced = raw[0];
    if (received < announced && received < asked) return std::nullopt;
    return std::min(received, announced) - 2;
}

OpenNode* node_of(HandleId handle) {
    return reinterpret_cast<OpenNode*>(handle);
}

class LinuxBackend final : public Backend {
  public:
    LinuxBackend(std::filesystem::path sysfs_root, std::filesystem::path dev_root)
        : sysfs_root_(std::move(sysfs_root)), dev_root_(std::move(dev_root)) {}

    // Only nodes whose sysfs identity is the remote's: other HID devices (keys,
    // security tokens) are never opened, so they stay free to suspend.
    std::vector<std::string> enumerate() override {
        std::vector<std::string> paths;
        for (const std::string& node : linux_hid::remote_hidraw_nodes(sysfs_root_)) {
            paths.push_back((dev_root_ / node).string());
        }
        return paths;
    }

    std::optional<HandleId> open(const std::string& path) override {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) return std::nullopt;
        auto node = std::make_unique<OpenNode>();
        node->fd = fd;
        node->node = std::filesystem::path(path).filename().string();
        node->sysfs_root = sysfs_root_;
        return reinterpret_cast<HandleId>(node.release());
    }

    // From the open file itself: the node may have been reused since sysfs was read.
    std::optional<HidAttributes> attributes(HandleId handle) override {
        hidraw_devinfo info{};
        if (::ioctl(node_of(handle)->fd, HIDIOCGRAWINFO, &info) != 0) return std::nullopt;
        return HidAttributes{static_cast<std::uint16_t>(info.vendor),
                             static_cast<std::uint16_t>(info.product)};
    }

    bool write_report(HandleId handle, const std::array<std::uint8_t, 9>& report) override {
        const ssize_t written = ::write(node_of(handle)->fd, report.data(), report.size());
        return written == static_cast<ssize_t>(report.size());
    }

    ReadStatus read_string(HandleId handle, StringKind kind, std::uint8_t* buffer,
                           std::size_t length) override {
        OpenNode* node = node_of(handle);
        // Without the usbfs device no reply can ever come.
        if (!node->open_usb()) return ReadStatus::lost;
        const std::uint8_t index = kind == StringKind::serial    ? node->descriptor.iSerialNumber
                                   : kind == StringKind::product ? node->descriptor.iProduct
                                                                 : node->descriptor.iManufacturer;
        if (index == 0) return ReadStatus::failed;
        std::array<unsigned char, kMaxDescriptor> raw{};
        const auto request = static_cast<std::uint16_t>(std::min(length + 2, kMaxDescriptor));
        const int got = libusb_control_transfer(
            node->usb_device, kStandardDeviceIn, LIBUSB_REQUEST_GET_DESCRIPTOR,
            static_cast<std::uint16_t>((LIBUSB_DT_STRING << 8) | index), node->language, raw.data(),
            request, kControlTimeoutMs);
        if (got < 0) return status_of(got);
        const std::optional<std::size_t> body = descriptor_body(raw.data(), got, request);
        if (!body) return ReadStatus::failed;
        // Raw bytes after the 2-byte header, zeros included: the remote's replies are not text.
        const std::size_t count = std::min(*body, length);
        std::copy_n(raw.begin() + 2, count, buffer);
        return ReadStatus::ok;
    }

    void close(HandleId handle) override { delete node_of(handle); }

  private:
    std::filesystem::path sysfs_root_;
    std::filesystem::path dev_root_;
};

}  // namespace

std::unique_ptr<Backend> make_linux_backend(std::filesystem::path sysfs_root,
                                            std::filesystem::path dev_root) {
    return std::make_unique<LinuxBackend>(std::move(sysfs_root), std::move(dev_root));
}

Backend& linux_backend() {
    static const std::unique_ptr<Backend> backend = make_linux_backend("/sys", "/dev");
    return *backend;
}

}  // namespace vorkel
