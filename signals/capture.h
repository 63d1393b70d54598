// The remote's capture as the device library collects it: polls of sample
// chunks until 1500 bytes, the end of the signal or 1000 idle polls, then the
// cut into the capture text that RCollectCodeInfo returns (the trailing silence
// replaced by twenty "7FFF" words, then the six status digits). Pure functions,
// shared by the device library and by whoever models a capture without a remote.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvalin::ir_signals {

// A product-string read of the capture: a count byte, then the sample bytes.
inline constexpr std::size_t kCaptureChunkLength = 200;
// A 200-byte chunk holds at most 199 data bytes after its count byte.
inline constexpr std::size_t kMaxChunkData = kCaptureChunkLength - 1;
inline constexpr std::size_t kCaptureStopBytes = 1500;
inline constexpr int kIdlePollLimit = 1000;
inline constexpr std::uint32_t kEndOfSignalSum = 0x9A7C0;

// The end-of-signal test over the first n collected bytes.
bool end_of_signal(const std::uint8_t* data, std::size_t n);

// One product-string poll: fills the zero-filled 200-byte chunk, false when the
// read failed.
using ChunkReader = std::function<bool(std::array<std::uint8_t, kCaptureChunkLength>&)>;

// Polls until 1500 bytes, the end of the signal, or 1000 idle polls; returns the
// collected sample bytes. A count byte above 199 is taken as 199.
std::vector<std::uint8_t> poll_capture(const ChunkReader& read_chunk);

// The same polls on a device: a failed read counts as an idle poll, a lost device
// (time-out, gone, I/O error) ends the capture at once, and so does the deadline.
enum class ChunkRead { ok, failed, lost };
using ChunkPoller = std::function<ChunkRead(std::array<std::uint8_t, kCaptureChunkLength>&)>;
struct PolledCapture {
    std::vector<std::uint8_t> samples;
    bool device_lost = false;
};
PolledCapture poll_capture(const ChunkPoller& read_chunk,
                           std::chrono::steady_clock::time_point deadline);

// samples: the collected sample bytes (an odd last byte is dropped here).
// Returns the capture text without NUL; empty when no sample byte is left.
std::string capture_text(const std::vector<std::uint8_t>& samples,
                         const std::array<std::uint8_t, 3>& status);

}  // namespace orvalin::ir_signals
