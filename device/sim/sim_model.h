// The simulated bus: the remote (or two), other HID interfaces, open handles,
// faults, latency and the records of what the remote received. One instance per
// process, guarded by one mutex; with a state file, one remote across processes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/backend.h"
#include "device/sim/firmware.h"
#include "device/sim/signal_source.h"
#include "device/sim/sim_control.h"
#include "device/sim/state_file.h"

namespace vorkel::sim {

struct SimDevice {
    int id = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    bool openable = true;
    bool attached = true;
    int remote = -1;  // index into the remotes; -1: some other HID interface
    std::size_t reports_received = 0;
};

class Model {
  public:
    // Configured from the environment (program use).
    Model();

    // Test defaults: see reset() in sim_control.h.
    void reset();
    std::mutex& mutex() { return mutex_; }

    // Backend operations (take the lock themselves).
    std::vector<std::string> enumerate();
    std::optional<HandleId> open(const std::string& path);
    std::optional<HidAttributes> attributes(HandleId handle);
    bool write_report(HandleId handle, const std::array<std::uint8_t, 9>& report);
    ReadStatus read_string(HandleId handle, StringKind kind, std::uint8_t* buffer,
                           std::size_t length);
    void close(HandleId handle);

    // Control (callers hold the lock).
    SimDevice& primary();
    Firmware& firmware(int remote = 0) { return remotes_.at(static_cast<std::size_t>(remote)); }
    void add_device(SimDevice device, bool before_primary);
    int add_remote();
    void set_state_file(const std::filesystem::path& path);
    void persist_if_dirty();
    // The memory as the state file holds it now (another process may have written).
    void reload_state();
    SignalSource& signals() { return signals_; }

    std::optional<std::size_t> refuse_report_at;
    std::optional<std::size_t> fail_string_read_at;
    std::optional<std::size_t> unplug_after;
    int latency_us = 0;
    int stall_reads_ms = 0;
    Throw throw_at = Throw::none;
    bool recording = true;
    std::vector<std::array<std::uint8_t, 9>> reports;
    std::vector<DescriptorRead> descriptor_reads;
    std::vector<SimDevice> devices;
    std::size_t open_handles() const { return handles_.size(); }

  private:
    SimDevice* device_of(HandleId handle);
    void sleep_latency() const;

    std::mutex mutex_;
    std::vector<Firmware> remotes_;
    std::map<HandleId, int> handles_;  // handle -> device id
    HandleId next_handle_ = 1;
    int next_device_id_ = 0;
    std::filesystem::path state_file_;
    // Held from the first open handle to the last close: one transaction at a time
    // across the processes that share the state file.
    std::unique_ptr<StateLock> state_lock_;
    SignalSource signals_;
};

Model& model();

}  // namespace vorkel::sim
