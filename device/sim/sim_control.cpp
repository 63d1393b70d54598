#include "device/sim/sim_control.h"

#include <algorithm>
#include <atomic>

#include "device/sim/factory_state.h"
#include "device/sim/sim_active.h"
#include "device/sim/sim_model.h"
#include "device/transport.h"

namespace vorkel::sim {

namespace {

std::atomic<bool> g_forced{false};

std::vector<uint8_t> slice(const std::vector<uint8_t>& memory, std::size_t start,
                           std::size_t length) {
    std::vector<uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = memory[(start + i) % kMemorySize];
    return bytes;
}

std::size_t address(uint8_t page, std::size_t offset) {
    return static_cast<std::size_t>(page) * kPageSize + offset;
}

}  // namespace

bool forced_active() {
    return g_forced.load(std::memory_order_acquire);
}

void activate() {
    reset();
    g_forced.store(true, std::memory_order_release);
}

void reset() {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.reset();
}

void set_state_file(const std::string& path) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.set_state_file(path);
}

void set_attached(bool attached) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    if (!attached) m.firmware().power_off();
    m.primary().attached = attached;
}

void set_openable(bool openable) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.primary().openable = openable;
}

void set_identity(uint16_t vendor, uint16_t product) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.primary().vendor = vendor;
    m.primary().product = product;
}

void add_other_device(uint16_t vendor, uint16_t product, bool openable, bool before_remote) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    SimDevice device;
    device.vendor = vendor;
    device.product = product;
    device.openable = openable;
    m.add_device(device, before_remote);
}

void add_second_remote() {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.add_remote();
}

std::vector<uint8_t> read_memory(uint8_t page, std::size_t offset, std::size_t length) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    return slice(m.firmware().memory(), address(page, offset), length);
}

void write_memory(uint8_t page, std::size_t offset, const std::vector<uint8_t>& bytes) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    std::vector<uint8_t>& memory = m.firmware().memory();
    const std::size_t start = address(page, offset);
    for (std::size_t i = 0; i < bytes.size(); ++i) memory[(start + i) % kMemorySize] = bytes[i];
}

void set_basic_info(const std::string& remote_type, uint8_t version1, uint8_t version2) {
    std::vector<uint8_t> type = hex_to_bytes(remote_type);
    type.resize(2, 0x00);
    write_memory(kBasicInfoPage, kVersion1Byte, {version1, version2});
    write_memory(kBasicInfoPage, kRemoteTypeByte, type);
}

std::vector<uint8_t> code_table(std::size_t length) {
    return read_memory(kCodeTablePage, 0, length);
}

void set_code_table(const std::vector<uint8_t>& bytes) {
    write_memory(kCodeTablePage, 0, bytes);
}

void queue_signal(const Signal& signal) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.signals().queue(PulseSignal{signal.durations_us, signal.carrier_hz});
}

void set_signal_delay_polls(int polls) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.firmware().set_signal_delay_polls(polls);
}

void set_chunk_size(int bytes) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.firmware().set_chunk_size(bytes);
}

std::size_t queued_signals() {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    return m.signals().queued();
}

void set_signal_folder(const std::string& folder) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.signals().set_folder(folder);
}

void set_demo_signals(bool on) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.signals().set_demo(on);
}

void refuse_report_at(std::size_t index) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.refuse_report_at = index;
}

void fail_string_read_at(std::size_t index) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.fail_string_read_at = index;
}

void unplug_after_reports(std::size_t count) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    if (count == 0) {
        m.firmware().power_off();
        m.primary().attached = false;
        m.unplug_after.reset();
    } else {
        m.unplug_after = count;
    }
}

void stall_string_reads(int milliseconds) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.stall_reads_ms = std::max(0, milliseconds);
}

void throw_from_backend(Throw where) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.throw_at = where;
}

void clear_faults() {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.stall_reads_ms = 0;
    m.throw_at = Throw::none;
    m.refuse_report_at.reset();
    m.fail_string_read_at.reset();
    m.unplug_after.reset();
}

void set_latency_us(int microseconds) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.latency_us = std::max(0, microseconds);
}

std::vector<std::array<uint8_t, 9>> reports() {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    return m.reports;
}

std::vector<DescriptorRead> descriptor_reads() {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    return m.descriptor_reads;
}

void clear_records() {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    m.reports.clear();
    m.descriptor_reads.clear();
    for (SimDevice& device : m.devices) device.reports_received = 0;
}

std::size_t code_table_writes() {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    return m.firmware().code_table_writes();
}

std::size_t open_handles() {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    return m.open_handles();
}

std::vector<DeviceRecord> devices() {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    std::vector<DeviceRecord> records;
    for (const SimDevice& device : m.devices) {
        records.push_back(
            {device.vendor, device.product, device.remote >= 0, device.reports_received});
    }
    return records;
}

std::vector<uint8_t> read_second_remote_memory(uint8_t page, std::size_t offset,
                                               std::size_t length) {
    Model& m = model();
    std::lock_guard lock(m.mutex());
    if (m.devices.size() < 2) return {};
    for (const SimDevice& device : m.devices) {
        if (device.remote == 1) return slice(m.firmware(1).memory(), address(page, offset), length);
    }
    return {};
}

}  // namespace vorkel::sim
