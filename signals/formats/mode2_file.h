// LIRC "mode2" text: "pulse N" / "space N" lines in microseconds and an optional
// "carrier N". A file may hold several signals, each after a "# name: NAME"
// line; other tools read such a file as comments and pulses. A file without
// names holds one signal, named "1".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "signals/formats/code_signal.h"

namespace orvalin::formats {

std::optional<SignalFile> read_mode2(std::string_view text, const std::string& file_name,
                                     std::string* error);

// One key press of each signal (intro, then the repeat part once), each after
// its "# name:" line.
std::string write_mode2(const std::vector<CodeSignal>& signals);

}  // namespace orvalin::formats
