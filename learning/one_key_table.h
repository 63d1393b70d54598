// The one-key table of a key that a code table holds: what the replay and the
// exports read, and what a learned key came in as.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvalin::learning {

// "0001", the key's record with its pieces right after it, the type piece, the
// key piece; nullopt when the table is not well formed or holds no code for
// that table code.
std::optional<std::string> one_key_table_of(std::string_view table_text, int table_code);

}  // namespace orvalin::learning
