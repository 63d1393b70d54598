// The symbols of a code type as the matchers see them: nominal durations in
// microseconds, signed (gaps negative), and the number of positions C that every
// symbol is matched over (the count of the last symbol definition).
#pragma once

#include <array>
#include <cstdint>

#include "ircode/codeinfo_file.h"

namespace orvalin::ircode {

inline constexpr char kSymbolLetters[4] = {'u', 'v', 'w', 'x'};

struct SymbolTable {
    int count = 0;                // number of symbols, 0..4
    int positions = 0;            // C
    std::array<int, 4> length{};  // each symbol's own number of durations
    std::array<std::array<std::int32_t, 6>, 4> nominal{};

    // A position beyond a symbol's own durations holds nothing and never fits.
    bool Has(int k, int i) const { return k >= 0 && k < count && i >= 0 && i < length[k]; }
};

// Builds the table of a well-formed record (see IsWellFormed).
SymbolTable BuildSymbolTable(const CodeTypeRecord& record);

}  // namespace orvalin::ircode
