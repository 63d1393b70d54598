// Protocol parameters of a learned key (device, subdevice, function...), read
// back from the symbols its image sends. Which symbols are which parameter
// comes from the parameter table kept beside the code-type sources
// (data/codeinfo/parameters.txt), one line per code type; one decoder serves
// them all. Qt-free.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ircode/replay.h"

namespace orvalin::ircode {

struct ParameterPart {
    int start = 0;   // first bit, counted from the first symbol of the frame
    int length = 0;  // 1..32 bits
    bool inverted = false;
};

struct ParameterField {
    std::string name;
    std::vector<ParameterPart> parts;   // most significant first
    std::string omit_if_complement_of;  // empty: always shown
};

struct CodeTypeParameters {
    std::string type_name;
    int bits_per_symbol = 1;
    std::vector<int> symbol_values;  // per symbol u, v, w, x; -1: no value
    bool msb_first = false;
    std::vector<ParameterField> fields;
};

struct Parameter {
    std::string name;
    std::uint32_t value = 0;
    bool operator==(const Parameter&) const = default;
};

// Reads a parameter table. nullopt with "line N: message" in *error at the first
// bad line.
std::optional<std::vector<CodeTypeParameters>> parse_parameter_table(std::string_view text,
                                                                     std::string* error = nullptr);

// The table built into the program (data/codeinfo/parameters.txt).
const std::vector<CodeTypeParameters>& builtin_parameter_table();

// The entry for a code type name; nullptr when the table has none.
const CodeTypeParameters* find_parameters(const std::vector<CodeTypeParameters>& table,
                                          std::string_view type_name);

// The parameters the replayed image's first frame carries under `entry`; nullopt
// when the frame sends a symbol without a value or too few symbols for a field.
std::optional<std::vector<Parameter>> decode_parameters(const CodeTypeParameters& entry,
                                                        const ReplayedSignal& signal);

// "device=4 function=21".
std::string parameters_text(const std::vector<Parameter>& parameters);

}  // namespace orvalin::ircode
