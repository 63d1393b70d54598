// Control of the simulated remote from inside a process (tests, demos).
//
// The simulated remote is a model of the remote's firmware behind the same
// platform seam as real hardware. Programs select it with VORKEL_BACKEND=sim;
// tests that link the device library statically call activate() and then drive
// the model through these functions. Every function is thread-safe: the link
// monitor and the collection thread call the exports while a test thread
// changes the model.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorkel::sim {

// Makes the simulated backend the one that the exports use, regardless of the
// environment, and resets the model (see reset()). No state file is read or
// written unless set_state_file() names one.
void activate();

// Factory state: one remote (vendor 0x1920, product 0x2A69), attached and
// openable, remote type "1800", versions 1 and 2, the factory code table (preset
// CBL codes and a link pair); no other HID devices, no faults, no queued signals,
// empty records, zero latency, built-in demo signals off, no signal folder, a
// queued signal starting 2 polls into a capture, 64 data bytes per chunk.
void reset();

// Persist the memory in this file (loaded now if it exists; written after every
// write command). Empty path: no persistence.
void set_state_file(const std::string& path);

// Attachment and access.
void set_attached(bool attached);  // unplug / plug the remote
void set_openable(bool openable);  // false: another program holds it exclusively
void set_identity(uint16_t vendor, uint16_t product);
// Another HID interface on the bus, enumerated before (or after) the remote.
void add_other_device(uint16_t vendor, uint16_t product, bool openable, bool before_remote);
// A second matching remote after the first one (its own memory, factory state).
void add_second_remote();

// Memory: 256-byte pages.
std::vector<uint8_t> read_memory(uint8_t page, std::size_t offset, std::size_t length);
void write_memory(uint8_t page, std::size_t offset, const std::vector<uint8_t>& bytes);
// Basic information block (page 0xD0): remote type as four hex digits ("1800",
// "8888"), first and second version numbers.
void set_basic_info(const std::string& remote_type, uint8_t version1, uint8_t version2);
// The code table from page 0xDA (what RCodeTypeData reads, what WCodeTypeData writes).
std::vector<uint8_t> code_table(std::size_t length);
void set_code_table(const std::vector<uint8_t>& bytes);

// Capture. A signal is pulses (positive) and spaces (negative) in microseconds.
struct Signal {
    std::vector<int> durations_us;
    int carrier_hz = 38000;
};
void queue_signal(const Signal& signal);
// Number of empty product-string polls before a queued signal starts to play
// (like a person pressing a key a moment after the capture starts). The count
// runs on across captures: a signal not yet started waits for the next one.
// Programs using VORKEL_BACKEND=sim get 1500 polls (about 1.5 s at the default
// latency of 1000 us per transfer).
void set_signal_delay_polls(int polls);
// Chunk size (bytes of sample data per product-string read, 1..199).
void set_chunk_size(int bytes);
std::size_t queued_signals();
// Other sources, used when no queued signal waits: a folder of "mode2" files
// (each capture plays the first by name and moves it into "played/"; empty path:
// no folder), else the built-in demo signals in turn.
void set_signal_folder(const std::string& folder);
void set_demo_signals(bool on);

// Faults. Counters start at the moment of the call; index 0 is the next one.
void refuse_report_at(std::size_t index);      // the index-th report is not accepted
void fail_string_read_at(std::size_t index);   // the index-th string descriptor read fails
void unplug_after_reports(std::size_t count);  // detached after count more reports
// Every string read waits this long and then fails the way a transfer that
// timed out does (a remote that stays attached but stopped answering); 0: off.
void stall_string_reads(int milliseconds);
// The backend throws, as a sysfs walk or an allocation can: from the enumeration
// (std::filesystem::filesystem_error) or from a string read (std::bad_alloc).
enum class Throw { none, on_enumerate, on_string_read };
void throw_from_backend(Throw where);
void clear_faults();
void set_latency_us(int microseconds);  // delay per transfer

// Records of what the remote received: every accepted report (a refused one is
// not received) and every descriptor read, failed ones included.
struct DescriptorRead {
    enum class Kind { serial, product, manufacturer } kind;
    std::size_t length;
    bool ok;
    std::vector<uint8_t> bytes;
};
std::vector<std::array<uint8_t, 9>> reports();
std::vector<DescriptorRead> descriptor_reads();
void clear_records();
// Completed code-table writes (header 0xC0 at page 0xDA offset 0 starts one).
std::size_t code_table_writes();

// Handles open right now: 0 between calls, since every call closes what it opened.
std::size_t open_handles();
// Every HID interface on the simulated bus in enumeration order, with the number
// of reports it received.
struct DeviceRecord {
    uint16_t vendor;
    uint16_t product;
    bool remote;
    std::size_t reports_received;
};
std::vector<DeviceRecord> devices();
// Memory of the second remote (see add_second_remote()).
std::vector<uint8_t> read_second_remote_memory(uint8_t page, std::size_t offset,
                                               std::size_t length);

}  // namespace vorkel::sim
