// Pronto hex: learned codes (0000 modulated, 0100 unmodulated) with their intro
// and repeat burst pairs, and the predefined RC5 (5000), RC6 (6000) and NEC
// (900A) forms. A file holds one code or several, each optionally preceded by
// its name ("Power: 0000 006D ..." or a line "Power" before the code); a code may
// run over several lines. Unnamed codes are named by their number, from "1".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "signals/formats/code_signal.h"

namespace orvalin::formats {

std::optional<SignalFile> read_pronto(std::string_view text, const std::string& file_name,
                                      std::string* error);

// One "NAME: 0000 ..." line per signal (0100 when it has no carrier). Durations
// longer than a Pronto word holds are cut to its largest value.
std::string write_pronto(const std::vector<CodeSignal>& signals);

// The code alone, without name.
std::string pronto_code(const CodeSignal& signal);

}  // namespace orvalin::formats
