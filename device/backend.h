// The platform seam: the few HID operations a transaction needs. One
// implementation per platform plus the simulated remote; the exports pick one
// at run time (VORKEL_BACKEND=sim selects the simulated remote).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "signals/capture.h"

namespace vorkel {

enum class StringKind { serial, product, manufacturer };

// How a string-descriptor read went. lost: the device timed out, went away or
// failed with an I/O error, so nothing more will come from it in this transaction.
// The same three outcomes as a capture poll, so a poll passes a read on as it is.
using ReadStatus = orvalin::ir_signals::ChunkRead;

using HandleId = std::intptr_t;

struct HidAttributes {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
};

class Backend {
  public:
    virtual ~Backend() = default;
    // Device paths of the HID interfaces present, in enumeration order.
    virtual std::vector<std::string> enumerate() = 0;
    // Shared read/write open of an existing device; nullopt when refused.
    virtual std::optional<HandleId> open(const std::string& path) = 0;
    virtual std::optional<HidAttributes> attributes(HandleId handle) = 0;
    // One output report, report ID first; true when the platform took all 9 bytes.
    virtual bool write_report(HandleId handle, const std::array<std::uint8_t, 9>& report) = 0;
    // The raw bytes of a string descriptor, fetched from the device anew, header
    // dropped, zeros kept, at most length bytes into buffer (already zero-filled).
    virtual ReadStatus read_string(HandleId handle, StringKind kind, std::uint8_t* buffer,
                                   std::size_t length) = 0;
    virtual void close(HandleId handle) = 0;
};

// The backend the exports use right now.
Backend& active_backend();

// Implemented by the platform backends.
Backend& linux_backend();
Backend& simulated_backend();

}  // namespace vorkel
