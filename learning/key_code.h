// What a learned key sends, read back from its image: the code type it is
// recognised as with the protocol's parameters, or for a generic code its
// shape, its symbols and frames; the carrier always. What orvalin-cli keys,
// the window's code dialog and the exports show. Qt-free.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ircode/parameter_decoder.h"
#include "ircode/replay.h"

// Declared only: the formats' header must come before Qt's where both are used
// (its code files have a member named as Qt's "signals" macro).
namespace orvalin::formats {
struct ParsedCode;
}

namespace orvalin::learning {

struct KeyCode {
    std::string type_name;  // the code type; empty for a generic code
    // The protocol's parameters; empty when the type has none in the table.
    std::vector<ircode::Parameter> parameters;
    std::string shape;  // generic codes: as orvalin-cli analyse describes them
    ircode::ReplayedSignal replayed;
    bool generic() const { return type_name.empty(); }
};

// From a one-key table (hex text). nullopt with a message when it cannot be replayed.
std::optional<KeyCode> describe_key_code(std::string_view table_hex, int table_code,
                                         const std::filesystem::path& codeinfo,
                                         std::string* error = nullptr);

// "NEC1 device=4 function=21 carrier=37.7kHz", "generic (pulse-distance 24
// bits, lead 4500/4500) carrier=38.0kHz"; "carrier=none" without one.
std::string key_code_text(const KeyCode& code);

// "37.7kHz" or "none".
std::string carrier_text(int carrier_hz);

// One JSON object: type (null for generic), parameters, shape, carrier_hz,
// symbols (durations in microseconds) and frames (durations, gap after,
// repeat, the symbols sent).
std::string key_code_json(const KeyCode& code);

// The key as a code file names it by protocol (Flipper's protocol names, its
// address and command), where its code type and parameters say exactly what
// that protocol sends; nullopt otherwise (the key is then written raw).
std::optional<formats::ParsedCode> parsed_code_of(const KeyCode& code);

// A JSON string literal of UTF-8 text.
std::string json_string(std::string_view text);

}  // namespace orvalin::learning
