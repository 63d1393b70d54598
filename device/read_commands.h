// Memory reads (basic information, code table) and the capture of a sampled
// infrared signal.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "device/backend.h"

namespace vorkel {

inline constexpr std::uint8_t kBasicInfoPage = 0xD0;
inline constexpr std::uint8_t kCodeTablePage = 0xDA;
inline constexpr int kBasicInfoReads = 8;
inline constexpr int kCodeTableReads = 704;
inline constexpr std::size_t kSerialReadLength = 8;
inline constexpr std::size_t kProductReadLength = 200;
inline constexpr std::size_t kManufacturerReadLength = 10;
// A 200-byte chunk holds at most 199 data bytes after its count byte.
inline constexpr std::size_t kMaxChunkData = kProductReadLength - 1;
inline constexpr std::size_t kCaptureStopBytes = 1500;
inline constexpr int kIdlePollLimit = 1000;
inline constexpr std::uint32_t kEndOfSignalSum = 0x9A7C0;
// One capture never runs longer than this, whatever the device does, so the
// collection thread (which polls captures for 6 s) can stop within a second.
inline constexpr std::chrono::milliseconds kCaptureTimeLimit{800};

// The read request, then `reads` serial-number reads of 8 bytes. True with the
// hex text (empty when a read failed midway); false when there is no remote or
// the request was refused (out untouched).
bool read_memory(Backend& backend, std::uint8_t page, int reads, char* out);

// The end-of-signal test over the first n collected bytes.
bool end_of_signal(const std::uint8_t* data, std::size_t n);

// One product-string poll: fills the zero-filled 200-byte chunk, false when the
// read failed.
using ChunkReader = std::function<bool(std::array<std::uint8_t, kProductReadLength>&)>;

// Polls until 1500 bytes, the end of the signal, or 1000 idle polls; returns the
// collected sample bytes. A count byte above 199 is taken as 199.
std::vector<std::uint8_t> poll_capture(const ChunkReader& read_chunk);

// The same polls on a device: a failed read counts as an idle poll, a lost
// device ends the capture at once, and so does the deadline.
using ChunkPoller = std::function<ReadStatus(std::array<std::uint8_t, kProductReadLength>&)>;
struct PolledCapture {
    std::vector<std::uint8_t> samples;
    bool device_lost = false;
};
PolledCapture poll_capture(const ChunkPoller& read_chunk,
                           std::chrono::steady_clock::time_point deadline);

// The whole capture exchange, within kCaptureTimeLimit of polling; false when
// there is no remote or no sample data.
bool collect_capture(Backend& backend, char* out);

}  // namespace vorkel
