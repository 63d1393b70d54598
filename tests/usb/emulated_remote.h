// The remote behind the kernel's own interfaces: a umockdev testbed with the
// sysfs tree, hidraw node and usbfs node that a Linux kernel shows for it, and
// handlers that answer hidraw writes and usbfs control transfers from the same
// firmware model as the simulated backend. A process that links
// libumockdev-preload (or runs under it) and uses /sys and /dev sees the remote;
// the unmodified Linux backend then carries real transactions to it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/sim/firmware.h"
#include "device/sim/signal_source.h"

namespace orvalin::usb_test {

using vorkel::sim::Firmware;
using vorkel::sim::PulseSignal;

// What a string-descriptor request gets instead of the model's answer.
enum class Fault {
    stall,       // the control pipe stalls (EPIPE)
    no_answer,   // never completes; only a discard ends it
    empty,       // zero bytes
    short_one,   // one byte, less than a descriptor header
    oversized,   // the descriptor claims 255 bytes and fills the whole request
    cut,         // the transfer ends halfway through the descriptor it announced
    not_string,  // a descriptor of another type
};

struct RemoteOptions {
    std::uint16_t vendor = 0x1920;
    std::uint16_t product = 0x2A69;
    int hidraw = 0;  // /dev/hidrawN
    int port = 1;    // USB device 3-<port>, device address port + 1
};

class EmulatedBus;
class RemoteDoor;

// One control transfer as a umockdev ioctl log holds it (a USBDEVFS_REAPURB or
// REAPURBNDELAY line of endpoint 0): the setup packet and what came back.
struct RecordedTransfer {
    std::array<std::uint8_t, 8> setup{};
    int status = 0;
    std::vector<std::uint8_t> reply;
};

// The control transfers of an ioctl log in order; nullopt when the file cannot
// be read or holds a line of that kind that does not parse.
std::optional<std::vector<RecordedTransfer>> read_control_transfers(
    const std::filesystem::path& log);

// One remote: its firmware, its two nodes and the faults it will show.
class EmulatedRemote {
  public:
    // The firmware under the lock that the handlers take.
    template <typename Call>
    auto with_firmware(Call&& call) {
        std::lock_guard lock(*mutex_);
        return call(firmware_);
    }
    void queue_signal(const PulseSignal& signal);
    // Where captured signals come from when none is queued (see SignalSource).
    void set_signal_folder(const std::filesystem::path& folder);
    void set_demo_signals(bool on);

    // Faults of the next string-descriptor requests (string 0 not counted), in order.
    void fail_next_string_reads(Fault fault, int count = 1);
    void clear_faults();
    // The device goes away (remove uevent, then ENODEV on every node) after this
    // many more reports, or at this string read (0: the next one).
    void unplug_after_reports(std::size_t reports);
    void unplug_at_string_read(std::size_t read);

    // Every control transfer answered from now on goes into this file, in
    // umockdev's ioctl log format (what `umockdev-record --ioctl` writes).
    void record_usbfs(const std::filesystem::path& log);
    // Control transfers are answered from a recording instead of the firmware,
    // in order; a request that is not the recorded one stalls and counts.
    void replay(std::vector<RecordedTransfer> transfers);
    std::size_t replay_left() const;
    std::size_t replay_mismatches() const;

    // Records.
    std::vector<std::array<std::uint8_t, 9>> reports() const;
    std::size_t string_reads() const;
    std::size_t discards() const;
    // Opens of the hidraw and usbfs nodes so far.
    int opens() const;
    bool gone() const;

    const std::string& hidraw_node() const { return hidraw_node_; }
    const std::string& usbfs_node() const { return usbfs_node_; }
    const std::string& usb_syspath() const { return usb_syspath_; }

    struct Handlers;

  private:
    friend class EmulatedBus;
    friend class RemoteDoor;
    EmulatedRemote(EmulatedBus& bus, std::mutex& mutex, const RemoteOptions& options);
    void go_away();  // caller holds the lock

    EmulatedBus* bus_;
    std::mutex* mutex_;
    RemoteOptions options_;
    Firmware firmware_;
    vorkel::sim::SignalSource signals_;
    std::string hidraw_node_;
    std::string usbfs_node_;
    std::string usb_syspath_;
    std::deque<Fault> faults_;
    std::optional<std::size_t> unplug_after_reports_;
    std::optional<std::size_t> unplug_at_read_;
    bool gone_ = false;
    std::vector<std::array<std::uint8_t, 9>> reports_;
    std::size_t string_reads_ = 0;
    std::size_t discards_ = 0;
    int opens_ = 0;
    std::unique_ptr<std::ofstream> log_;
    std::deque<RecordedTransfer> replay_;
    bool replaying_ = false;
    std::size_t replay_mismatches_ = 0;
    std::unique_ptr<Handlers> handlers_;
};

class EmulatedBus {
  public:
    // A testbed with a USB 2.0 root hub (bus 3) and nothing on it.
    EmulatedBus();
    ~EmulatedBus();
    EmulatedBus(const EmulatedBus&) = delete;
    EmulatedBus& operator=(const EmulatedBus&) = delete;

    EmulatedRemote& add_remote(const RemoteOptions& options = {});
    // A remote as a device description file (umockdev-record's format) shows it:
    // its hidraw and usbfs nodes and HID_ID are taken from the file.
    EmulatedRemote& add_recorded_remote(const std::filesystem::path& description);
    EmulatedRemote& remote(std::size_t index = 0) { return *remotes_.at(index); }

    // A real machine's devices from a umockdev recording; opens of the listed
    // nodes ("/dev/hidraw5") are counted (see opens_of).
    void add_recording(const std::filesystem::path& file, const std::vector<std::string>& nodes);
    int opens_of(const std::string& node) const;

    // The testbed's root (what UMOCKDEV_DIR names for a client process).
    std::string root() const;
    // Environment a client process needs: UMOCKDEV_DIR and the preload.
    std::vector<std::string> client_environment() const;

    struct Testbed;
    Testbed& testbed() { return *testbed_; }

  private:
    EmulatedRemote& attach(std::unique_ptr<EmulatedRemote> remote, const std::string& text);

    mutable std::mutex mutex_;
    std::unique_ptr<Testbed> testbed_;
    std::vector<std::unique_ptr<EmulatedRemote>> remotes_;
    std::map<std::string, int> watched_opens_;
    struct Watch;
    std::vector<std::unique_ptr<Watch>> watches_;
};

// The remote's sysfs levels and nodes in umockdev-record's format.
std::string device_description(const RemoteOptions& options);

// The GET_DESCRIPTOR string answer of a remote for one request, before faults:
// string 0 lists US English, the three strings the firmware fills carry its raw
// bytes. Empty optional: no such string (the pipe stalls).
std::optional<std::vector<std::uint8_t>> string_descriptor(Firmware& firmware, std::uint8_t index,
                                                           std::size_t request);

}  // namespace orvalin::usb_test
