#include "device/sim/sim_model.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <system_error>
#include <thread>

#include "device/sim/state_file.h"

namespace vorkel::sim {

namespace {

constexpr std::uint16_t kRemoteVendor = 0x1920;
constexpr std::uint16_t kRemoteProduct = 0x2A69;
// Enough for any test; a long-running program must not grow without bound.
constexpr std::size_t kMaxRecords = 500'000;
constexpr int kProgramLatencyUs = 1000;
constexpr int kMaxLatencyUs = 1'000'000;
// About 1.5 s at the program's latency: time enough to press a key.
constexpr int kProgramSignalDelayPolls = 1500;
constexpr int kTestSignalDelayPolls = 2;
constexpr const char* kPathPrefix = "sim:";

int latency_from_environment() {
    const char* text = std::getenv("VORKEL_SIM_LATENCY_US");
    if (text == nullptr) return kProgramLatencyUs;
    int value = 0;
    const char* end = text + std::strlen(text);
    const auto [stop, ec] = std::from_chars(text, end, value);
    if (ec != std::errc() || stop != end || value < 0) return kProgramLatencyUs;
    return std::min(value, kMaxLatencyUs);
}

}  // namespace

Model::Model() {
    reset();
    recording = false;  // a long-running program keeps no records
    latency_us = latency_from_environment();
    for (Firmware& remote : remotes_) remote.set_signal_delay_polls(kProgramSignalDelayPolls);
    const char* folder = std::getenv("VORKEL_SIM_SIGNALS");
    if (folder != nullptr && *folder != '\0') {
        signals_.set_folder(folder);
    } else {
        signals_.set_demo(true);
    }
    set_state_file(default_state_path());
}

void Model::reset() {
    remotes_.clear();
    remotes_.emplace_back();
    remotes_.front().set_signal_delay_polls(kTestSignalDelayPolls);
    remotes_.front().set_on_signal_started([this] { signals_.played(); });
    devices.clear();
    handles_.clear();
    SimDevice remote;
    remote.id = next_device_id_++;
    remote.vendor = kRemoteVendor;
    remote.product = kRemoteProduct;
    remote.remote = 0;
    devices.push_back(remote);
    state_lock_.reset();
    state_file_.clear();
    signals_ = SignalSource{};
    refuse_report_at.reset();
    fail_string_read_at.reset();
    unplug_after.reset();
    latency_us = 0;
    stall_reads_ms = 0;
    throw_at = Throw::none;
    recording = true;
    reports.clear();
    descriptor_reads.clear();
}

SimDevice& Model::primary() {
    for (SimDevice& device : devices) {
        if (device.remote == 0) return device;
    }
    return devices.front();  // the primary remote is never removed
}

void Model::add_device(SimDevice device, bool before_primary) {
    device.id = next_device_id_++;
    if (before_primary) {
        const auto at = std::find_if(devices.begin(), devices.end(),
                                     [](const SimDevice& d) { return d.remote == 0; });
        devices.insert(at, device);
    } else {
        devices.push_back(device);
    }
}

int Model::add_remote() {
    remotes_.emplace_back();
    remotes_.back().set_signal_delay_polls(kTestSignalDelayPolls);
    SimDevice device;
    device.vendor = kRemoteVendor;
    device.product = kRemoteProduct;
    device.remote = static_cast<int>(remotes_.size() - 1);
    device.id = next_device_id_++;
    const auto at = std::find_if(devices.begin(), devices.end(),
                                 [](const SimDevice& d) { return d.remote == 0; });
    devices.insert(at + 1, device);
    return device.remote;
}

void Model::set_state_file(const std::filesystem::path& path) {
    state_file_ = path;
    if (path.empty()) return;
    const StateLock lock(path);
    reload_state();
}

void Model::reload_state() {
    LoadedState loaded = read_state(state_file_);
    if (loaded.status == StateRead::ok) {
        remotes_.front().load(std::move(loaded.memory));
    } else if (loaded.status == StateRead::damaged) {
        // Kept for a look, never overwritten; the remote goes on from what it held.
        const std::filesystem::path aside = set_aside_damaged(state_file_);
        std::cerr << "simulated remote: the state file " << state_file_.string() << " is damaged; "
                  << (aside.empty() ? std::string("it could not be moved aside")
                                    : "kept as " + aside.string())
                  << "\n";
    }
}

void Model::persist_if_dirty() {
    if (!remotes_.front().take_dirty() || state_file_.empty()) return;
    (void)save_state(state_file_, remotes_.front().memory());
}

SimDevice* Model::device_of(HandleId handle) {
    const auto found = handles_.find(handle);
    if (found == handles_.end()) return nullptr;
    for (SimDevice& device : devices) {
        if (device.id == found->second) return &device;
    }
    return nullptr;
}

void Model::sleep_latency() const {
    if (latency_us > 0) std::this_thread::sleep_for(std::chrono::microseconds(latency_us));
}

std::vector<std::string> Model::enumerate() {
    std::lock_guard lock(mutex_);
    if (throw_at == Throw::on_enumerate) {
        throw std::filesystem::filesystem_error("simulated",
                                                std::make_error_code(std::errc::permission_denied));
    }
    std::vector<std::string> paths;
    paths.reserve(devices.size());
    for (const SimDevice& device : devices) {
        if (device.attached) paths.push_back(kPathPrefix + std::to_string(device.id));
    }
    return paths;
}

std::optional<HandleId> Model::open(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (!path.starts_with(kPathPrefix)) return std::nullopt;
    int id = -1;
    const char* begin = path.data() + std::strlen(kPathPrefix);
    const auto [end, ec] = std::from_chars(begin, path.data() + path.size(), id);
    if (ec != std::errc() || end != path.data() + path.size()) return std::nullopt;
    for (const SimDevice& device : devices) {
        if (device.id != id) continue;
        if (!device.attached || !device.openable) return std::nullopt;
        if (handles_.empty() && !state_file_.empty()) {
            state_lock_ = std::make_unique<StateLock>(state_file_);
            reload_state();
        }
        const HandleId handle = next_handle_++;
        handles_[handle] = id;
        return handle;
    }
    return std::nullopt;
}

std::optional<HidAttributes> Model::attributes(HandleId handle) {
    std::lock_guard lock(mutex_);
    const SimDevice* device = device_of(handle);
    if (device == nullptr || !device->attached) return std::nullopt;
    return HidAttributes{device->vendor, device->product};
}

bool Model::write_report(HandleId handle, const std::array<std::uint8_t, 9>& report) {
    bool accepted = false;
    {
        std::lock_guard lock(mutex_);
        SimDevice* device = device_of(handle);
        bool refused = false;
        if (refuse_report_at) {
            if (*refuse_report_at == 0) {
                refused = true;
                refuse_report_at.reset();
            } else {
                --*refuse_report_at;
            }
        }
        if (device != nullptr && device->attached && !refused) {
            accepted = true;
            ++device->reports_received;
            if (device->remote >= 0) {
                if (recording && reports.size() < kMaxRecords) reports.push_back(report);
                remotes_.at(static_cast<std::size_t>(device->remote)).receive(report, [this] {
                    return signals_.next();
                });
            }
            if (unplug_after && --*unplug_after == 0) {
                unplug_after.reset();
                firmware().power_off();
                primary().attached = false;
            }
        }
    }
    sleep_latency();
    return accepted;
}

ReadStatus Model::read_string(HandleId handle, StringKind kind, std::uint8_t* buffer,
                              std::size_t length) {
    ReadStatus status = ReadStatus::failed;
    int stall_ms = 0;
    {
        std::lock_guard lock(mutex_);
        if (throw_at == Throw::on_string_read) throw std::bad_alloc();
        SimDevice* device = device_of(handle);
        bool failed = false;
        if (fail_string_read_at) {
            if (*fail_string_read_at == 0) {
                failed = true;
                fail_string_read_at.reset();
            } else {
                --*fail_string_read_at;
            }
        }
        stall_ms = stall_reads_ms;
        if (device == nullptr || !device->attached) {
            status = ReadStatus::lost;  // like a USB device that is gone
        } else if (stall_ms > 0) {
            status = ReadStatus::lost;  // like a transfer that timed out
        } else if (!failed) {
            status = ReadStatus::ok;
        }
        const bool ok = status == ReadStatus::ok;
        if (ok && device->remote >= 0) {
            remotes_.at(static_cast<std::size_t>(device->remote)).read_string(kind, buffer, length);
        }
        if (recording && descriptor_reads.size() < kMaxRecords &&
            (device == nullptr || device->remote >= 0)) {
            DescriptorRead record{static_cast<DescriptorRead::Kind>(kind), length, ok, {}};
            if (ok) record.bytes.assign(buffer, buffer + length);
            descriptor_reads.push_back(std::move(record));
        }
    }
    if (stall_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(stall_ms));
    sleep_latency();
    return status;
}

void Model::close(HandleId handle) {
    std::lock_guard lock(mutex_);
    handles_.erase(handle);
    persist_if_dirty();
    if (handles_.empty()) state_lock_.reset();
}

Model& model() {
    static Model instance;
    return instance;
}

}  // namespace vorkel::sim
