#include "device/sim/firmware.h"

#include <algorithm>

#include "device/sim/factory_state.h"

namespace vorkel::sim {

namespace {

constexpr std::uint8_t kReadCommand = 0x01;
constexpr std::uint8_t kBlockWrite32 = 0xC0;
constexpr std::uint8_t kBlockWrite8 = 0xC8;
constexpr std::uint8_t kControl = 0x20;
constexpr std::uint8_t kCaptureStart = 0x80;
constexpr std::uint8_t kCaptureStop = 0x40;
constexpr std::size_t kMaxChunk = 199;

std::size_t address(std::uint8_t page, std::uint8_t offset) {
    return static_cast<std::size_t>(page) * kPageSize + offset;
}

}  // namespace

Firmware::Firmware() : memory_(factory_memory()) {}

void Firmware::load(std::vector<std::uint8_t> memory) {
    memory.resize(kMemorySize, 0xFF);
    memory_ = std::move(memory);
}

void Firmware::power_off() {
    read_address_ = 0;
    write_address_ = 0;
    data_reports_left_ = 0;
    capturing_ = false;
    armed_.reset();
    delay_left_ = 0;
    streamed_ = 0;
}

bool Firmware::take_dirty() {
    const bool was = dirty_;
    dirty_ = false;
    return was;
}

void Firmware::set_chunk_size(int bytes) {
    chunk_size_ = static_cast<std::size_t>(std::clamp(bytes, 1, static_cast<int>(kMaxChunk)));
}

void Firmware::receive(const std::array<std::uint8_t, 9>& report, const SignalSupply& next_signal) {
    const std::uint8_t* payload = report.data() + 1;
    if (data_reports_left_ > 0) {
        // Inside a block every report is data, whatever its first byte.
        for (int i = 0; i < 8; ++i) memory_[(write_address_ + i) % kMemorySize] = payload[i];
        write_address_ += 8;
        --data_reports_left_;
        dirty_ = true;
        return;
    }
    switch (payload[0]) {
        case kReadCommand:
            read_address_ = address(payload[1], payload[2]);
            break;
        case kBlockWrite32:
        case kBlockWrite8:
            write_address_ = address(payload[2], payload[1]);
            data_reports_left_ = payload[0] == kBlockWrite32 ? 4 : 1;
            if (payload[0] == kBlockWrite32 && payload[1] == 0 && payload[2] == kCodeTablePage) {
                ++code_table_writes_;
            }
            break;
        case kControl:
            if (payload[1] == kCaptureStart) {
                start_capture(next_signal);
            } else if (payload[1] == kCaptureStop) {
                capturing_ = false;
                // A signal already on its way is spent; one still to come waits for
                // the next capture.
                if (armed_ && streamed_ > 0) armed_.reset();
            }
            // 0x20 0x20 0xB4 (collection mode) and 0x20 0x20 0xFF (closing) need no
            // model state.
            break;
        default:
            break;
    }
}

void Firmware::start_capture(const SignalSupply& next_signal) {
    capturing_ = true;
    status_ = {};
    if (armed_) return;
    if (std::optional<PulseSignal> signal = next_signal()) {
        armed_ = sample_signal(*signal);
        delay_left_ = signal_delay_polls_;
        streamed_ = 0;
    }
}

void Firmware::read_string(StringKind kind, std::uint8_t* buffer, std::size_t length) {
    switch (kind) {
        case StringKind::serial: {
            for (std::size_t i = 0; i < std::min<std::size_t>(length, 8); ++i) {
                buffer[i] = memory_[(read_address_ + i) % kMemorySize];
            }
            read_address_ = (read_address_ + 8) % kMemorySize;
            break;
        }
        case StringKind::product: {
            if (!capturing_ || !armed_ || length == 0) break;
            if (delay_left_ > 0) {
                --delay_left_;
                break;
            }
            const std::vector<std::uint8_t>& bytes = armed_->bytes;
            const std::size_t room = std::min(length - 1, kMaxChunk);
            const std::size_t count = std::min({chunk_size_, room, bytes.size() - streamed_});
            status_ = armed_->status;
            if (streamed_ == 0 && on_signal_started_) on_signal_started_();
            buffer[0] = static_cast<std::uint8_t>(count);
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(streamed_), count, buffer + 1);
            streamed_ += count;
            if (streamed_ == bytes.size()) armed_.reset();
            break;
        }
        case StringKind::manufacturer: {
            for (std::size_t i = 0; i < 3 && i + 1 < length; ++i) buffer[i + 1] = status_[i];
            break;
        }
    }
}

}  // namespace vorkel::sim
