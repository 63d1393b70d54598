// Broadlink IR packets in base64: type 0x26 (infrared), a repeat count, the data
// length (little-endian), then one tick count per pulse and space (ticks of
// 269/8192 ms, about 32.84 us; 0x00 and two big-endian bytes for 256 ticks and
// more), closed by 0x0d 0x05. The packet holds no carrier: 38 kHz is assumed.
// A file holds one packet per line, bare or as "NAME: BASE64" (quotes and a
// trailing comma allowed, as in JSON code lists). Unnamed packets are named by
// their number, from "1".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "signals/formats/code_signal.h"

namespace orvalin::formats {

std::optional<SignalFile> read_broadlink(std::string_view text, const std::string& file_name,
                                         std::string* error);

// One packet from bytes; the signal's intro is the packet's sequence, its repeat
// part the same sequence (sent once more per repeat count).
std::optional<CodeSignal> decode_broadlink(const std::vector<std::uint8_t>& packet,
                                           std::string* error);

// The press (intro, repeat part once) as a packet, repeat count 0, padded to 16 bytes.
std::vector<std::uint8_t> encode_broadlink(const CodeSignal& signal);

// "NAME: BASE64" lines.
std::string write_broadlink(const std::vector<CodeSignal>& signals);

std::string base64_encode(const std::vector<std::uint8_t>& bytes);
std::optional<std::vector<std::uint8_t>> base64_decode(std::string_view text);

}  // namespace orvalin::formats
