// The simulated remote's firmware: 256-byte memory pages, the memory read and
// block write commands, control commands and capture streaming. Not
// thread-safe: the model around it holds the lock.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "device/backend.h"
#include "signals/sampling.h"

namespace vorkel::sim {

using orvalin::ir_signals::PulseSignal;
using orvalin::ir_signals::sample_signal;
using orvalin::ir_signals::SampledSignal;

class Firmware {
  public:
    using SignalSupply = std::function<std::optional<PulseSignal>()>;

    Firmware();

    void receive(const std::array<std::uint8_t, 9>& report, const SignalSupply& next_signal);
    // Raw descriptor bytes, at most length of them, into a zero-filled buffer.
    void read_string(StringKind kind, std::uint8_t* buffer, std::size_t length);

    std::vector<std::uint8_t>& memory() { return memory_; }
    const std::vector<std::uint8_t>& memory() const { return memory_; }
    void load(std::vector<std::uint8_t> memory);

    // Unplugged: the remote loses power, so a block write or capture in progress is
    // forgotten; the memory (flash) stays.
    void power_off();

    // True once after a write changed memory.
    bool take_dirty();
    std::size_t code_table_writes() const { return code_table_writes_; }

    void set_chunk_size(int bytes);
    void set_signal_delay_polls(int polls) { signal_delay_polls_ = polls < 0 ? 0 : polls; }
    // Called when a signal's first chunk goes out.
    void set_on_signal_started(std::function<void()> hook) { on_signal_started_ = std::move(hook); }

  private:
    void start_capture(const SignalSupply& next_signal);

    std::vector<std::uint8_t> memory_;
    bool dirty_ = false;
    std::size_t code_table_writes_ = 0;
    // Memory read pointer (set by the read command).
    std::size_t read_address_ = 0;
    // Block write in progress: next address and data reports still expected.
    std::size_t write_address_ = 0;
    int data_reports_left_ = 0;
    // Capture.
    bool capturing_ = false;
    std::optional<SampledSignal> armed_;  // the key press that will arrive
    int delay_left_ = 0;
    std::size_t streamed_ = 0;
    std::array<std::uint8_t, 3> status_{};
    std::size_t chunk_size_ = 64;
    int signal_delay_polls_ = 0;
    std::function<void()> on_signal_started_;
};

}  // namespace vorkel::sim
