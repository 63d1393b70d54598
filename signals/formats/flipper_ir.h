// Flipper Zero ".ir" files ("IR signals file" and "IR library file", version 1):
// "key: value" lines, each signal starting at its "name:" line. "raw" signals
// give frequency, duty_cycle and data (microseconds, pulse first, alternating);
// "parsed" signals give protocol, address and command (4 little-endian bytes
// each), rendered from the protocol's definition.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "signals/formats/code_signal.h"

namespace orvalin::formats {

std::optional<SignalFile> read_flipper(std::string_view text, const std::string& file_name,
                                       std::string* error);

// An "IR signals file": a parsed signal where the signal carries a protocol that
// Flipper names, else raw data of one press (intro, then the repeat part once).
std::string write_flipper(const std::vector<CodeSignal>& signals);

}  // namespace orvalin::formats
