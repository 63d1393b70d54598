#include "tests/usb/emulated_remote.h"

#include <linux/hidraw.h>
#include <linux/input.h>
#include <linux/usbdevice_fs.h>
#include <sys/prctl.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "common/hex_text.h"

namespace orvalin::usb_test {

namespace {

constexpr const char* kPciPath = "/devices/pci0000:00/0000:00:14.0";
constexpr int kBus = 3;
constexpr int kHidrawMajor = 240;
constexpr int kUsbMajor = 189;
constexpr std::uint8_t kGetDescriptor = 0x06;
constexpr std::uint8_t kStandardDeviceIn = 0x80;
constexpr std::uint8_t kStringType = 0x03;
constexpr std::size_t kSetupSize = 8;
constexpr std::size_t kMaxDescriptor = 255;
// The interrupt-in report the remote never uses, the 8-byte output report it takes.
constexpr const char* kReportDescriptor =
    "0600FF0901A10115002600FF750895400901810295080901910"
    "2C0";
constexpr const char* kRootHubDescriptors =
    "12010002090001406B1D020015050302010109021900010100E0000904000001090000000705810304000C";

std::string hex_of(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

std::string short_hex(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

std::string upper_hex_of(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

// Little-endian, as descriptors carry 16-bit fields.
std::string le16(std::uint16_t value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value & 0xFF),
                                   static_cast<std::uint8_t>(value >> 8)};
    return orvalin::hex::from_bytes(bytes, 2);
}

// Device descriptor (strings 1, 2, 3: manufacturer, product, serial number), one
// configuration with the HID interface, its HID descriptor and two interrupt endpoints.
std::string remote_descriptors(std::uint16_t vendor, std::uint16_t product) {
    return "12011001000000"
           "40" +
           le16(vendor) + le16(product) +
           "0001"
           "010203"
           "01" +
           "0902290001010080"
           "32" +
           "090400000203000000" +
           "0921110100012221"
           "00" +
           "07058103400001" + "07050103400001";
}

std::string root_hub_text() {
    std::string text;
    text += std::string("P: ") + kPciPath + "/usb3\n";
    text += "N: bus/usb/003/001=" + std::string(kRootHubDescriptors) + "\n";
    text +=
        "E: DEVNAME=/dev/bus/usb/003/001\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
        "E: PRODUCT=1d6b/2/515\nE: TYPE=9/0/1\nE: BUSNUM=003\nE: DEVNUM=001\nE: MAJOR=189\n"
        "E: MINOR=256\nE: SUBSYSTEM=usb\n"
        "A: authorized=1\\n\nA: bConfigurationValue=1\\n\nA: bDeviceClass=09\\n\n"
        "A: bDeviceProtocol=01\\n\nA: bDeviceSubClass=00\\n\nA: bMaxPacketSize0=64\\n\n"
        "A: bNumConfigurations=1\\n\nA: bNumInterfaces= 1\\n\nA: bcdDevice=0515\\n\n"
        "A: bmAttributes=e0\\n\nA: busnum=3\\n\n";
    text += "H: descriptors=" + std::string(kRootHubDescriptors) + "\n";
    text +=
        "A: dev=189:256\\n\nA: devnum=1\\n\nA: devpath=0\\n\n"
        "L: driver=../../../bus/usb/drivers/usb\nA: idProduct=0002\\n\nA: idVendor=1d6b\\n\n"
        "A: manufacturer=Linux 6.1.0 xhci-hcd\\n\nA: maxchild=4\\n\n"
        "A: product=xHCI Host Controller\\n\nA: speed=480\\n\nA: version= 2.00\\n\n\n";
    text += std::string("P: ") + kPciPath + "\n";
    text +=
        "E: DRIVER=xhci_hcd\nE: PCI_CLASS=C0330\nE: PCI_ID=8086:A36D\n"
        "E: PCI_SLOT_NAME=0000:00:14.0\nE: SUBSYSTEM=pci\n"
        "L: driver=../../../bus/pci/drivers/xhci_hcd\nA: class=0x0c0330\\n\n"
        "A: vendor=0x8086\\n\nA: device=0xa36d\\n\n";
    return text;
}

struct Names {
    std::string usb;        // 3-1
    std::string interface;  // 3-1:1.0
    std::string hid;        // 0003:1920:2A69.0001
    std::string usb_path;   // /devices/.../usb3/3-1
    int address = 0;
};

Names names_of(const RemoteOptions& options) {
    Names n;
    n.usb = std::to_string(kBus) + "-" + std::to_string(options.port);
    n.interface = n.usb + ":1.0";
    char hid[32];
    std::snprintf(hid, sizeof hid, "0003:%04X:%04X.%04X", options.vendor, options.product,
                  options.hidraw + 1);
    n.hid = hid;
    n.usb_path = std::string(kPciPath) + "/usb3/" + n.usb;
    n.address = options.port + 1;
    return n;
}

std::string three_digits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%03d", value);
    return text;
}

// The levels a kernel creates for a USB HID device with a hidraw node: the USB
// device, its HID interface, the HID device and its hidraw child, child first
// (as umockdev-record writes them).
}  // namespace

std::string device_description(const RemoteOptions& options) {
    const Names n = names_of(options);
    const std::string vendor = hex_of(options.vendor);
    const std::string product = hex_of(options.product);
    const std::string hid_id =
        "0003:0000" + upper_hex_of(options.vendor) + ":0000" + upper_hex_of(options.product);
    const std::string modalias_usb = "usb:v" + upper_hex_of(options.vendor) + "p" +
                                     upper_hex_of(options.product) +
                                     "d0100dc00dsc00dp00ic03isc00ip00in00";
    const std::string hidraw = "hidraw" + std::to_string(options.hidraw);
    const std::string descriptors = remote_descriptors(options.vendor, options.product);
    const std::string node = "bus/usb/003/" + three_digits(n.address);
    const std::string interface_path = n.usb_path + "/" + n.interface;
    const std::string hid_path = interface_path + "/" + n.hid;
    std::string t;
    t += "P: " + hid_path + "/hidraw/" + hidraw + "\n";
    t += "N: " + hidraw + "\n";
    t += "E: DEVNAME=/dev/" + hidraw + "\n";
    t += "E: MAJOR=" + std::to_string(kHidrawMajor) +
         "\nE: MINOR=" + std::to_string(options.hidraw) + "\n";
    t += "E: SUBSYSTEM=hidraw\nE: TAGS=:seat:uaccess:\nE: CURRENT_TAGS=:seat:uaccess:\n";
    t += "A: dev=" + std::to_string(kHidrawMajor) + ":" + std::to_string(options.hidraw) + "\\n\n";
    t += "L: device=../../../" + n.hid + "\n";
    t += "A: power/control=auto\\n\nA: power/runtime_status=unsupported\\n\n\n";

    t += "P: " + hid_path + "\n";
    t += "E: DRIVER=hid-generic\nE: HID_ID=" + hid_id + "\nE: HID_NAME=IR Learning Remote\n";
    t += "E: HID_PHYS=usb-0000:00:14.0-" + std::to_string(options.port) + "/input0\nE: HID_UNIQ=\n";
    t += "E: MODALIAS=hid:b0003g0001v0000" + upper_hex_of(options.vendor) + "p0000" +
         upper_hex_of(options.product) + "\n";
    t += "E: SUBSYSTEM=hid\nA: country=00\\n\n";
    t += "L: driver=../../../../../../../bus/hid/drivers/hid-generic\n";
    t += "H: report_descriptor=" + std::string(kReportDescriptor) + "\n\n";

    t += "P: " + interface_path + "\n";
    t += "E: DEVTYPE=usb_interface\nE: DRIVER=usbhid\nE: PRODUCT=" + short_hex(options.vendor) +
         "/" + short_hex(options.product) + "/100\n";
    t += "E: TYPE=0/0/0\nE: INTERFACE=3/0/0\nE: MODALIAS=" + modalias_usb + "\nE: SUBSYSTEM=usb\n";
    t += "A: authorized=1\\n\nA: bAlternateSetting= 0\\n\nA: bInterfaceClass=03\\n\n"
         "A: bInterfaceNumber=00\\n\nA: bInterfaceProtocol=00\\n\nA: bInterfaceSubClass=00\\n\n"
         "A: bNumEndpoints=02\\n\n";
    t += "L: driver=../../../../../../bus/usb/drivers/usbhid\n";
    t += "A: modalias=" + modalias_usb + "\\n\nA: supports_autosuspend=1\\n\n\n";

    t += "P: " + n.usb_path + "\n";
    t += "N: " + node + "=" + descriptors + "\n";
    t += "E: DEVNAME=/dev/" + node + "\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n";
    t += "E: PRODUCT=" + short_hex(options.vendor) + "/" + short_hex(options.product) + "/100\n";
    t += "E: TYPE=0/0/0\nE: BUSNUM=003\nE: DEVNUM=" + three_digits(n.address) + "\n";
    t += "E: MAJOR=" + std::to_string(kUsbMajor) +
         "\nE: MINOR=" + std::to_string(256 + n.address - 1) + "\nE: SUBSYSTEM=usb\n";
    t += "E: ID_VENDOR_ID=" + vendor + "\nE: ID_MODEL_ID=" + product + "\nE: ID_BUS=usb\n";
    t += "E: ID_USB_INTERFACES=:030000:\n";
    t += "A: authorized=1\\n\nA: avoid_reset_quirk=0\\n\nA: bConfigurationValue=1\\n\n"
         "A: bDeviceClass=00\\n\nA: bDeviceProtocol=00\\n\nA: bDeviceSubClass=00\\n\n"
         "A: bMaxPacketSize0=64\\n\nA: bMaxPower=100mA\\n\nA: bNumConfigurations=1\\n\n"
         "A: bNumInterfaces= 1\\n\nA: bcdDevice=0100\\n\nA: bmAttributes=80\\n\n";
    t += "A: busnum=" + std::to_string(kBus) + "\\n\nA: configuration=\n";
    t += "H: descriptors=" + descriptors + "\n";
    t +=
        "A: dev=" + std::to_string(kUsbMajor) + ":" + std::to_string(256 + n.address - 1) + "\\n\n";
    t += "A: devnum=" + std::to_string(n.address) +
         "\\n\nA: devpath=" + std::to_string(options.port) + "\\n\n";
    t += "L: driver=../../../../bus/usb/drivers/usb\n";
    t += "A: idProduct=" + product + "\\n\nA: idVendor=" + vendor + "\\n\n";
    t += "A: maxchild=0\\n\nA: power/control=on\\n\nA: power/runtime_status=active\\n\n";
    t += "A: quirks=0x0\\n\nA: removable=removable\\n\nA: speed=12\\n\n";
    t += "A: urbnum=12\\n\nA: version= 1.10\\n\n\n";
    return t;
}

namespace {

struct PendingUrb {
    std::array<std::uint8_t, 8> setup{};
    UMockdevIoctlClient* client = nullptr;
    UMockdevIoctlData* urb = nullptr;  // resolved struct usbdevfs_urb, buffer resolved too
    std::vector<std::uint8_t> reply;
    int status = 0;
    bool answered = false;
};

}  // namespace

struct EmulatedBus::Testbed {
    UMockdevTestbed* bed = nullptr;
};

struct EmulatedBus::Watch {
    UMockdevIoctlBase* base = nullptr;
    std::string node;
    EmulatedBus* bus = nullptr;
};

struct EmulatedRemote::Handlers {
    UMockdevIoctlBase* hidraw = nullptr;
    UMockdevIoctlBase* usbfs = nullptr;
    std::vector<PendingUrb> pending;  // submit order; touched by the worker thread only

    ~Handlers() {
        for (PendingUrb& p : pending) g_object_unref(p.urb);
        if (hidraw != nullptr) g_object_unref(hidraw);
        if (usbfs != nullptr) g_object_unref(usbfs);
    }
};

std::optional<std::vector<std::uint8_t>> string_descriptor(Firmware& firmware, std::uint8_t index,
                                                           std::size_t request) {
    if (index == 0) return std::vector<std::uint8_t>{4, kStringType, 0x09, 0x04};
    vorkel::StringKind kind;
    switch (index) {
        case 1:
            kind = vorkel::StringKind::manufacturer;
            break;
        case 2:
            kind = vorkel::StringKind::product;
            break;
        case 3:
            kind = vorkel::StringKind::serial;
            break;
        default:
            return std::nullopt;
    }
    // The firmware fills as much of the descriptor as was asked for.
    const std::size_t length = std::min(request, kMaxDescriptor);
    if (length < 2) return std::vector<std::uint8_t>(length, 0);
    std::vector<std::uint8_t> descriptor(length, 0);
    descriptor[0] = static_cast<std::uint8_t>(length);
    descriptor[1] = kStringType;
    firmware.read_string(kind, descriptor.data() + 2, length - 2);
    return descriptor;
}

namespace {

void apply_fault(Fault fault, PendingUrb& p) {
    switch (fault) {
        case Fault::stall:
            p.reply.clear();
            p.status = -EPIPE;
            break;
        case Fault::no_answer:
            p.answered = false;
            break;
        case Fault::empty:
            p.reply.clear();
            break;
        case Fault::short_one:
            p.reply.resize(std::min<std::size_t>(p.reply.size(), 1));
            break;
        case Fault::oversized:
            // More than asked for: the host controller reports babble.
            p.status = -EOVERFLOW;
            break;
        case Fault::cut:
            p.reply.resize(p.reply.size() / 2);
            break;
        case Fault::not_string:
            if (p.reply.size() > 1) p.reply[1] = 0x01;
            break;
    }
}

}  // namespace

// The handlers, friends of the remote in all but name: they run on umockdev's
// worker thread and take the bus lock for everything they touch.
class RemoteDoor {
  public:
    static gboolean hidraw_ioctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user) {
        auto* remote = static_cast<EmulatedRemote*>(user);
        std::lock_guard lock(*remote->mutex_);
        const gulong request = umockdev_ioctl_client_get_request(client);
        if (remote->gone_) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return TRUE;
        }
        if (request != HIDIOCGRAWINFO) return FALSE;  // ENOTTY
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        UMockdevIoctlData* data =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(hidraw_devinfo), nullptr);
        if (data == nullptr) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return TRUE;
        }
        hidraw_devinfo info{};
        info.bustype = BUS_USB;
        info.vendor = static_cast<__s16>(remote->options_.vendor);
        info.product = static_cast<__s16>(remote->options_.product);
        std::memcpy(data->data, &info, sizeof info);
        g_object_unref(data);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }

    static gboolean hidraw_write(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user) {
        auto* remote = static_cast<EmulatedRemote*>(user);
        std::lock_guard lock(*remote->mutex_);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        if (remote->gone_) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return TRUE;
        }
        std::array<std::uint8_t, 9> report{};
        if (arg->data_len != static_cast<gint>(report.size())) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return TRUE;
        }
        std::copy_n(arg->data, report.size(), report.begin());
        remote->reports_.push_back(report);
        remote->firmware_.receive(report, [remote] { return remote->signals_.next(); });
        umockdev_ioctl_client_complete(client, arg->data_len, 0);
        if (remote->unplug_after_reports_ && --*remote->unplug_after_reports_ == 0) {
            remote->unplug_after_reports_.reset();
            remote->go_away();
        }
        return TRUE;
    }

    static void connected(UMockdevIoctlBase*, UMockdevIoctlClient*, gpointer user) {
        auto* remote = static_cast<EmulatedRemote*>(user);
        std::lock_guard lock(*remote->mutex_);
        ++remote->opens_;
    }

    static void vanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user) {
        auto* remote = static_cast<EmulatedRemote*>(user);
        std::lock_guard lock(*remote->mutex_);
        auto& pending = remote->handlers_->pending;
        for (auto it = pending.begin(); it != pending.end();) {
            if (it->client == client) {
                g_object_unref(it->urb);
                it = pending.erase(it);
            } else {
                ++it;
            }
        }
    }

    static gboolean usbfs_ioctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user) {
        auto* remote = static_cast<EmulatedRemote*>(user);
        std::lock_guard lock(*remote->mutex_);
        const gulong request = umockdev_ioctl_client_get_request(client);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        if (remote->gone_) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return TRUE;
        }
        switch (request) {
            case USBDEVFS_GET_CAPABILITIES: {
                UMockdevIoctlData* data =
                    umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
                if (data == nullptr) break;
                const guint32 caps = USBDEVFS_CAP_BULK_CONTINUATION |
                                     USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                     USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
                std::memcpy(data->data, &caps, sizeof caps);
                g_object_unref(data);
                umockdev_ioctl_client_complete(client, 0, 0);
                return TRUE;
            }
            case USBDEVFS_SUBMITURB:
                submit(*remote, client, arg);
                return TRUE;
            case USBDEVFS_REAPURB:
            case USBDEVFS_REAPURBNDELAY:
                reap(*remote, client, arg);
                return TRUE;
            case USBDEVFS_DISCARDURB:
                discard(*remote, client, arg);
                return TRUE;
            default:
                return FALSE;  // ENOTTY
        }
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return TRUE;
    }

  private:
    static void submit(EmulatedRemote& remote, UMockdevIoctlClient* client,
                       UMockdevIoctlData* arg) {
        UMockdevIoctlData* urb_data =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        if (urb_data == nullptr) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        auto* urb = reinterpret_cast<usbdevfs_urb*>(urb_data->data);
        if (urb->type != USBDEVFS_URB_TYPE_CONTROL || urb->endpoint != 0 ||
            urb->buffer_length < static_cast<int>(kSetupSize)) {
            g_object_unref(urb_data);
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return;
        }
        UMockdevIoctlData* buffer =
            umockdev_ioctl_data_resolve(urb_data, G_STRUCT_OFFSET(usbdevfs_urb, buffer),
                                        static_cast<gsize>(urb->buffer_length), nullptr);
        if (buffer == nullptr) {
            g_object_unref(urb_data);
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        const std::uint8_t* setup = buffer->data;
        const std::uint8_t request_type = setup[0];
        const std::uint8_t request = setup[1];
        const auto value = static_cast<std::uint16_t>(setup[2] | (setup[3] << 8));
        const auto length = static_cast<std::uint16_t>(setup[6] | (setup[7] << 8));
        const std::size_t room = std::min<std::size_t>(
            length, static_cast<std::size_t>(urb->buffer_length) - kSetupSize);
        g_object_unref(buffer);

        PendingUrb p;
        p.client = client;
        p.urb = urb_data;
        p.answered = true;
        std::copy_n(setup, kSetupSize, p.setup.begin());
        std::optional<Fault> fault;
        if (remote.replaying_) {
            answer_from_recording(remote, p);
        } else if (request_type == kStandardDeviceIn && request == kGetDescriptor &&
                   (value >> 8) == kStringType) {
            const auto index = static_cast<std::uint8_t>(value & 0xFF);
            if (index != 0) {
                const std::size_t read = remote.string_reads_++;
                if (remote.unplug_at_read_ && *remote.unplug_at_read_ == read) {
                    remote.unplug_at_read_.reset();
                    remote.go_away();
                    g_object_unref(urb_data);
                    umockdev_ioctl_client_complete(client, -1, ENODEV);
                    return;
                }
                if (!remote.faults_.empty()) {
                    fault = remote.faults_.front();
                    remote.faults_.pop_front();
                }
            }
            if (fault == Fault::stall) {
                p.status = -EPIPE;
            } else if (std::optional<std::vector<std::uint8_t>> d =
                           string_descriptor(remote.firmware_, index, length)) {
                p.reply = std::move(*d);
            } else {
                p.status = -EPIPE;
            }
        } else {
            // Nothing else is asked of the remote on endpoint 0 here: stall.
            p.status = -EPIPE;
        }
        if (fault) apply_fault(*fault, p);
        if (remote.replaying_ && (value >> 8) == kStringType && (value & 0xFF) != 0) {
            ++remote.string_reads_;
        }
        if (p.reply.size() > room) p.reply.resize(room);
        remote.handlers_->pending.push_back(std::move(p));
        umockdev_ioctl_client_complete(client, 0, 0);
    }

    static void reap(EmulatedRemote& remote, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        auto& pending = remote.handlers_->pending;
        const auto it = std::find_if(pending.begin(), pending.end(), [&](const PendingUrb& p) {
            return p.client == client && p.answered;
        });
        if (it == pending.end()) {
            umockdev_ioctl_client_complete(client, -1, EAGAIN);
            return;
        }
        PendingUrb p = std::move(*it);
        pending.erase(it);
        auto* urb = reinterpret_cast<usbdevfs_urb*>(p.urb->data);
        std::copy(p.reply.begin(), p.reply.end(),
                  static_cast<std::uint8_t*>(urb->buffer) + kSetupSize);
        urb->actual_length = static_cast<int>(p.reply.size());
        urb->status = p.status;
        if (remote.log_) log_transfer(*remote.log_, *urb, p);
        // The argument is a struct usbdevfs_urb**: point it at the client's URB.
        UMockdevIoctlData* out = umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
        if (out != nullptr) {
            umockdev_ioctl_data_set_ptr(out, 0, p.urb);
            g_object_unref(out);
        }
        umockdev_ioctl_client_complete(client, 0, 0);
        g_object_unref(p.urb);
    }

    static void answer_from_recording(EmulatedRemote& remote, PendingUrb& p) {
        if (remote.replay_.empty() || remote.replay_.front().setup != p.setup) {
            ++remote.replay_mismatches_;
            p.status = -EPIPE;
            return;
        }
        p.status = remote.replay_.front().status;
        p.reply = std::move(remote.replay_.front().reply);
        remote.replay_.pop_front();
    }

    // One line as umockdev-record writes a reaped URB: type, endpoint, status,
    // flags, buffer length, actual length, error count, then the whole buffer.
    static void log_transfer(std::ofstream& log, const usbdevfs_urb& urb, const PendingUrb& p) {
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(urb.buffer_length), 0);
        std::copy(p.setup.begin(), p.setup.end(), buffer.begin());
        std::copy(p.reply.begin(), p.reply.end(), buffer.begin() + kSetupSize);
        log << "USBDEVFS_REAPURBNDELAY 0 " << static_cast<unsigned>(urb.type) << ' '
            << static_cast<unsigned>(urb.endpoint) << ' ' << urb.status << ' ' << urb.flags << ' '
            << urb.buffer_length << ' ' << urb.actual_length << ' ' << urb.error_count << ' '
            << orvalin::hex::from_bytes(buffer) << '\n';
        log.flush();
    }

    static void discard(EmulatedRemote& remote, UMockdevIoctlClient* client,
                        UMockdevIoctlData* arg) {
        gulong address = 0;
        std::memcpy(&address, arg->data, std::min<std::size_t>(sizeof address, arg->data_len));
        for (PendingUrb& p : remote.handlers_->pending) {
            if (p.client == client && p.urb->client_addr == address && !p.answered) {
                p.answered = true;
                p.status = -ENOENT;
                p.reply.clear();
                ++remote.discards_;
                umockdev_ioctl_client_complete(client, 0, 0);
                return;
            }
        }
        umockdev_ioctl_client_complete(client, -1, EINVAL);
    }
};

EmulatedRemote::EmulatedRemote(EmulatedBus& bus, std::mutex& mutex, const RemoteOptions& options)
    : bus_(&bus), mutex_(&mutex), options_(options), handlers_(std::make_unique<Handlers>()) {
    const Names n = names_of(options);
    hidraw_node_ = "/dev/hidraw" + std::to_string(options.hidraw);
    usbfs_node_ = "/dev/bus/usb/003/" + three_digits(n.address);
    usb_syspath_ = "/sys" + n.usb_path;
    // Like the simulated remote under test: a queued signal starts two polls in.
    firmware_.set_signal_delay_polls(2);
    firmware_.set_on_signal_started([this] { signals_.played(); });
}

void EmulatedRemote::queue_signal(const PulseSignal& signal) {
    std::lock_guard lock(*mutex_);
    signals_.queue(signal);
}

void EmulatedRemote::set_signal_folder(const std::filesystem::path& folder) {
    std::lock_guard lock(*mutex_);
    signals_.set_folder(folder);
}

void EmulatedRemote::set_demo_signals(bool on) {
    std::lock_guard lock(*mutex_);
    signals_.set_demo(on);
}

void EmulatedRemote::fail_next_string_reads(Fault fault, int count) {
    std::lock_guard lock(*mutex_);
    for (int i = 0; i < count; ++i) faults_.push_back(fault);
}

void EmulatedRemote::clear_faults() {
    std::lock_guard lock(*mutex_);
    faults_.clear();
}

void EmulatedRemote::record_usbfs(const std::filesystem::path& log) {
    std::lock_guard lock(*mutex_);
    log_ = std::make_unique<std::ofstream>(log, std::ios::binary | std::ios::trunc);
    if (!*log_) throw std::runtime_error("cannot write " + log.string());
}

void EmulatedRemote::replay(std::vector<RecordedTransfer> transfers) {
    std::lock_guard lock(*mutex_);
    replay_.assign(std::make_move_iterator(transfers.begin()),
                   std::make_move_iterator(transfers.end()));
    replaying_ = true;
}

std::size_t EmulatedRemote::replay_left() const {
    std::lock_guard lock(*mutex_);
    return replay_.size();
}

std::size_t EmulatedRemote::replay_mismatches() const {
    std::lock_guard lock(*mutex_);
    return replay_mismatches_;
}

void EmulatedRemote::unplug_after_reports(std::size_t reports) {
    std::lock_guard lock(*mutex_);
    unplug_after_reports_ = reports;
}

void EmulatedRemote::unplug_at_string_read(std::size_t read) {
    std::lock_guard lock(*mutex_);
    unplug_at_read_ = string_reads_ + read;
}

std::vector<std::array<std::uint8_t, 9>> EmulatedRemote::reports() const {
    std::lock_guard lock(*mutex_);
    return reports_;
}

std::size_t EmulatedRemote::string_reads() const {
    std::lock_guard lock(*mutex_);
    return string_reads_;
}

std::size_t EmulatedRemote::discards() const {
    std::lock_guard lock(*mutex_);
    return discards_;
}

int EmulatedRemote::opens() const {
    std::lock_guard lock(*mutex_);
    return opens_;
}

bool EmulatedRemote::gone() const {
    std::lock_guard lock(*mutex_);
    return gone_;
}

void EmulatedRemote::go_away() {
    gone_ = true;
    firmware_.power_off();
    UMockdevTestbed* bed = bus_->testbed().bed;
    umockdev_testbed_uevent(bed, usb_syspath_.c_str(), "remove");
    umockdev_testbed_remove_device(bed, usb_syspath_.c_str());
}

EmulatedBus::EmulatedBus() : testbed_(std::make_unique<Testbed>()) {
    // The preload sleeps after every emulated call; at the default 50 us timer
    // slack that sleep costs more than the call.
    (void)::prctl(PR_SET_TIMERSLACK, 1UL);
    testbed_->bed = umockdev_testbed_new();
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_->bed, root_hub_text().c_str(), &error)) {
        const std::string message = error != nullptr ? error->message : "unknown";
        g_clear_error(&error);
        throw std::runtime_error("umockdev root hub: " + message);
    }
}

EmulatedBus::~EmulatedBus() {
    g_clear_object(&testbed_->bed);
    remotes_.clear();
    for (auto& watch : watches_) g_clear_object(&watch->base);
}

EmulatedRemote& EmulatedBus::add_remote(const RemoteOptions& options) {
    return attach(std::unique_ptr<EmulatedRemote>(new EmulatedRemote(*this, mutex_, options)),
                  device_description(options));
}

EmulatedRemote& EmulatedBus::add_recorded_remote(const std::filesystem::path& description) {
    std::ifstream in(description, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && text.empty()) throw std::runtime_error("cannot read " + description.string());
    RemoteOptions options;
    std::string hidraw;
    std::string usbfs;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("N: hidraw")) hidraw = "/dev/" + line.substr(3);
        if (line.starts_with("N: bus/usb/") && usbfs.empty()) {
            usbfs =
                "/dev/" + line.substr(3, line.find('=') == std::string::npos ? std::string::npos
                                                                             : line.find('=') - 3);
        }
        unsigned bus = 0;
        unsigned vendor = 0;
        unsigned product = 0;
        if (std::sscanf(line.c_str(), "E: HID_ID=%x:%x:%x", &bus, &vendor, &product) == 3) {
            options.vendor = static_cast<std::uint16_t>(vendor);
            options.product = static_cast<std::uint16_t>(product);
        }
    }
    if (hidraw.empty() || usbfs.empty()) {
        throw std::runtime_error(description.string() + ": no hidraw or usbfs node");
    }
    std::unique_ptr<EmulatedRemote> remote(new EmulatedRemote(*this, mutex_, options));
    remote->hidraw_node_ = hidraw;
    remote->usbfs_node_ = usbfs;
    return attach(std::move(remote), text);
}

EmulatedRemote& EmulatedBus::attach(std::unique_ptr<EmulatedRemote> remote,
                                    const std::string& text) {
    EmulatedRemote::Handlers& h = *remote->handlers_;
    h.hidraw = umockdev_ioctl_base_new();
    h.usbfs = umockdev_ioctl_base_new();
    g_signal_connect(h.hidraw, "handle-ioctl", G_CALLBACK(RemoteDoor::hidraw_ioctl), remote.get());
    g_signal_connect(h.hidraw, "handle-write", G_CALLBACK(RemoteDoor::hidraw_write), remote.get());
    g_signal_connect(h.hidraw, "client-connected", G_CALLBACK(RemoteDoor::connected), remote.get());
    g_signal_connect(h.hidraw, "client-vanished", G_CALLBACK(RemoteDoor::vanished), remote.get());
    g_signal_connect(h.usbfs, "handle-ioctl", G_CALLBACK(RemoteDoor::usbfs_ioctl), remote.get());
    g_signal_connect(h.usbfs, "client-connected", G_CALLBACK(RemoteDoor::connected), remote.get());
    g_signal_connect(h.usbfs, "client-vanished", G_CALLBACK(RemoteDoor::vanished), remote.get());
    GError* error = nullptr;
    // Handlers first, then the nodes (the order libusb's own umockdev test uses).
    if (!umockdev_testbed_attach_ioctl(testbed_->bed, remote->hidraw_node_.c_str(), h.hidraw,
                                       &error) ||
        !umockdev_testbed_attach_ioctl(testbed_->bed, remote->usbfs_node_.c_str(), h.usbfs,
                                       &error) ||
        !umockdev_testbed_add_from_string(testbed_->bed, text.c_str(), &error)) {
        const std::string message = error != nullptr ? error->message : "unknown";
        g_clear_error(&error);
        throw std::runtime_error("umockdev remote: " + message);
    }
    remotes_.push_back(std::move(remote));
    return *remotes_.back();
}

std::optional<std::vector<RecordedTransfer>> read_control_transfers(
    const std::filesystem::path& log) {
    std::ifstream in(log, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<RecordedTransfer> transfers;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string name;
        long ret = 0;
        unsigned type = 0;
        unsigned endpoint = 0;
        int status = 0;
        unsigned flags = 0;
        int buffer_length = 0;
        int actual_length = 0;
        int error_count = 0;
        std::string data;
        fields >> name;
        if (name != "USBDEVFS_REAPURB" && name != "USBDEVFS_REAPURBNDELAY") continue;
        if (!(fields >> ret >> type >> endpoint >> status >> flags >> buffer_length >>
              actual_length >> error_count)) {
            return std::nullopt;
        }
        fields >> data;
        if (type != USBDEVFS_URB_TYPE_CONTROL || endpoint != 0) continue;
        const std::vector<std::uint8_t> bytes = orvalin::hex::lenient_bytes(data);
        if (buffer_length < static_cast<int>(kSetupSize) || actual_length < 0 ||
            bytes.size() != static_cast<std::size_t>(buffer_length) ||
            actual_length > buffer_length - static_cast<int>(kSetupSize) ||
            data.size() != 2 * bytes.size() ||
            data.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
            return std::nullopt;
        }
        RecordedTransfer t;
        std::copy_n(bytes.begin(), kSetupSize, t.setup.begin());
        t.status = status;
        t.reply.assign(bytes.begin() + kSetupSize, bytes.begin() + kSetupSize + actual_length);
        transfers.push_back(std::move(t));
    }
    return transfers;
}

void EmulatedBus::add_recording(const std::filesystem::path& file,
                                const std::vector<std::string>& nodes) {
    GError* error = nullptr;
    for (const std::string& node : nodes) {
        auto watch = std::make_unique<Watch>();
        watch->base = umockdev_ioctl_base_new();
        watch->node = node;
        watch->bus = this;
        g_signal_connect(watch->base, "client-connected",
                         G_CALLBACK(+[](UMockdevIoctlBase*, UMockdevIoctlClient*, gpointer user) {
                             auto* w = static_cast<Watch*>(user);
                             std::lock_guard lock(w->bus->mutex_);
                             ++w->bus->watched_opens_[w->node];
                         }),
                         watch.get());
        if (!umockdev_testbed_attach_ioctl(testbed_->bed, node.c_str(), watch->base, &error)) {
            const std::string message = error != nullptr ? error->message : "unknown";
            g_clear_error(&error);
            throw std::runtime_error("umockdev watch " + node + ": " + message);
        }
        watched_opens_[node] = 0;
        watches_.push_back(std::move(watch));
    }
    if (!umockdev_testbed_add_from_file(testbed_->bed, file.c_str(), &error)) {
        const std::string message = error != nullptr ? error->message : "unknown";
        g_clear_error(&error);
        throw std::runtime_error("umockdev recording " + file.string() + ": " + message);
    }
}

int EmulatedBus::opens_of(const std::string& node) const {
    std::lock_guard lock(mutex_);
    const auto found = watched_opens_.find(node);
    return found == watched_opens_.end() ? 0 : found->second;
}

std::string EmulatedBus::root() const {
    gchar* dir = umockdev_testbed_get_root_dir(testbed_->bed);
    std::string root = dir;
    g_free(dir);
    return root;
}

std::vector<std::string> EmulatedBus::client_environment() const {
    std::string preload = "libumockdev-preload.so.0";
    const char* old = std::getenv("LD_PRELOAD");
    if (old != nullptr && *old != '\0') preload += std::string(":") + old;
    return {"UMOCKDEV_DIR=" + root(), "LD_PRELOAD=" + preload};
}

}  // namespace orvalin::usb_test
