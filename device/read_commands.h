// Memory reads (basic information, code table) and the capture of a sampled
// infrared signal.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/backend.h"
#include "signals/capture.h"

namespace vorkel {

inline constexpr std::uint8_t kBasicInfoPage = 0xD0;
inline constexpr std::uint8_t kCodeTablePage = 0xDA;
inline constexpr int kBasicInfoReads = 8;
inline constexpr int kCodeTableReads = 704;
inline constexpr std::size_t kSerialReadLength = 8;
inline constexpr std::size_t kProductReadLength = 200;
inline constexpr std::size_t kManufacturerReadLength = 10;
static_assert(kProductReadLength == orvalin::ir_signals::kCaptureChunkLength);
// One capture never runs longer than this, whatever the device does, so the
// collection thread (which polls captures for 6 s) can stop within a second.
inline constexpr std::chrono::milliseconds kCaptureTimeLimit{800};

// The read request, then `reads` serial-number reads of 8 bytes. True with the
// hex text (empty when a read failed midway); false when there is no remote or
// the request was refused (out untouched).
bool read_memory(Backend& backend, std::uint8_t page, int reads, char* out);

// The capture's polling and cut (pure, shared with the signal model).
using orvalin::ir_signals::capture_text;
using orvalin::ir_signals::poll_capture;
using orvalin::ir_signals::PolledCapture;

// The whole capture exchange, within kCaptureTimeLimit of polling; false when
// there is no remote or no sample data.
bool collect_capture(Backend& backend, char* out);

}  // namespace vorkel
