// What every transaction shares: discovery and identity match, the open/close
// discipline, 9-byte output reports, replies through string descriptors, and the
// hex-text conversions at the library's interface.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/backend.h"
#include "device/identity.h"

namespace vorkel {

using Payload = std::array<std::uint8_t, 8>;

// An open remote; closed when it goes out of scope, so every path closes it.
class RemoteDevice {
  public:
    RemoteDevice(Backend& backend, HandleId handle) : backend_(&backend), handle_(handle) {}
    RemoteDevice(const RemoteDevice&) = delete;
    RemoteDevice& operator=(const RemoteDevice&) = delete;
    RemoteDevice(RemoteDevice&& other) noexcept;
    RemoteDevice& operator=(RemoteDevice&&) = delete;
    ~RemoteDevice();

    // Report ID 0x00 followed by the payload; true when the platform accepted it.
    bool write_report(const Payload& payload);
    // The descriptor's raw bytes into a zero-filled buffer of the given length.
    bool read_reply_string(StringKind kind, std::uint8_t* buffer, std::size_t length);
    // The same read, telling a device that stopped answering from a refused read.
    ReadStatus read_reply(StringKind kind, std::uint8_t* buffer, std::size_t length);

  private:
    Backend* backend_;
    std::optional<HandleId> handle_;
};

// The first interface in enumeration order that opens and carries the identity.
std::optional<RemoteDevice> open_remote(Backend& backend);

bool remote_present(Backend& backend);

// Two upper-case digits per byte, high nibble first.
std::string bytes_to_hex(const std::uint8_t* bytes, std::size_t count);
// Writes the digits and one NUL into out, nothing else.
void write_hex_text(const std::vector<std::uint8_t>& bytes, char* out);
// One pair read the way strtol(base 16) reads it, low 8 bits kept ("G1" -> 0, "1G" -> 1).
std::uint8_t hex_pair_to_byte(char high, char low);
// Consecutive pairs from the start; an odd last character is ignored.
std::vector<std::uint8_t> hex_to_bytes(std::string_view text);

}  // namespace vorkel
