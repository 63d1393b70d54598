// The pattern text of a code type: nominal durations, "u" placeholders for the
// symbols a recording must carry, and "h"/"t" frame separators, built from the
// sequences in frame order. Also leaves the lengths of the set A and set B
// variables, which the encoder reads as the builder finished them.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "ircode/codeinfo_file.h"

namespace orvalin::ircode {

struct VariableTables {
    std::array<int, 4> set_a{};
    std::array<int, 4> set_b{};
};

struct Pattern {
    std::string text;
    VariableTables variables;
};

// Pattern of a well-formed record, or nothing when the record cannot be written as
// a pattern: a variable number outside 0..3, or a duration of 65536 us or more
// (it does not fit four hexadecimal digits).
std::optional<Pattern> BuildPattern(const CodeTypeRecord& record);

// Variable number of a field item for the set A or set B table, -1 when it lies
// outside the table. `defining` items name their variable by v div 16, referring
// items by v mod 16 in the builder (the encoder always uses v div 16).
int VariableNumber(std::int64_t value, bool by_div);

}  // namespace orvalin::ircode
