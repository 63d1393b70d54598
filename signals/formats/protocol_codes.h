// Signals of the protocols that code files name by protocol and parameters
// (Flipper "parsed" signals, the predefined Pronto forms), rendered from the
// protocols' public definitions: the frame of the first press and the frame sent
// while the key is held.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "signals/formats/code_signal.h"

namespace orvalin::formats {

// The Flipper protocol names that render_parsed knows.
const std::vector<std::string>& parsed_protocol_names();

// The key's signal (name left empty), or nullopt with a message naming the
// field at fault (unknown protocol, address or command out of range).
std::optional<CodeSignal> render_parsed(const ParsedCode& code, std::string* error);

}  // namespace orvalin::formats
