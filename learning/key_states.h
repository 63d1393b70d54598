// What each key of the code table holds, as the session keeps it: a table code
// and a state per key, in table-code order. The table parser's "KK|S" lines are
// read into this form once; nothing after the parser handles line texts.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "learning/code_table.h"

namespace orvalin::learning {

enum class KeyState {
    preset,   // the key's record holds a preset code
    stored,   // a learned code stored on the remote
    pending,  // learned in the running session, not yet written
};

struct KeyEntry {
    int code = 0;  // table code: key code + 51 x device mode
    KeyState state = KeyState::preset;
    bool operator==(const KeyEntry&) const = default;
};

using KeyStates = std::vector<KeyEntry>;

inline bool is_learned(KeyState s) {
    return s == KeyState::stored || s == KeyState::pending;
}

// One parser line "KK|S" (S 1, 2 or 3); nothing for any other text.
std::optional<KeyEntry> read_key_line(std::string_view line);
// The lines that are key lines, in their order.
KeyStates read_key_lines(const KeyLines& lines);

// The first entry of `code`, or nullptr.
const KeyEntry* find_key(const KeyStates& keys, int code);
// Drops the first entry of `code`.
void remove_key(KeyStates& keys, int code);
// Gives key `code` the state pending: replaces its entry, or inserts one in code order.
void set_pending(KeyStates& keys, int code);
// The first entry of `code` that is not pending.
std::optional<KeyEntry> find_prior(const KeyStates& keys, int code);
// Pending becomes stored in place (after the table was written).
void confirm_pending(KeyStates& keys);
// Any entry in state stored or pending.
bool has_learned_keys(const KeyStates& keys);

// How the key panel shows a key of a device mode: the last entry whose code is
// the key's in that mode decides.
enum class KeyLook { normal, learned, preset };
KeyLook key_look(const KeyStates& keys, int key_code, int mode);

}  // namespace orvalin::learning
