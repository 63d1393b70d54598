#include "learning/key_states.h"

#include <algorithm>

#include "common/hex_text.h"
#include "common/key_table.h"

namespace orvalin::learning {

std::optional<KeyEntry> read_key_line(std::string_view line) {
    if (line.size() != 4 || line[2] != '|') return std::nullopt;
    const long code = hex::number_at(line, 0, 2);
    if (code < 0) return std::nullopt;
    switch (line[3]) {
        case '1':
            return KeyEntry{static_cast<int>(code), KeyState::preset};
        case '2':
            return KeyEntry{static_cast<int>(code), KeyState::stored};
        case '3':
            return KeyEntry{static_cast<int>(code), KeyState::pending};
        default:
            return std::nullopt;
    }
}

KeyStates read_key_lines(const KeyLines& lines) {
    KeyStates keys;
    for (const std::string& line : lines)
        if (const auto entry = read_key_line(line)) keys.push_back(*entry);
    return keys;
}

const KeyEntry* find_key(const KeyStates& keys, int code) {
    const auto it =
        std::find_if(keys.begin(), keys.end(), [&](const KeyEntry& k) { return k.code == code; });
    return it == keys.end() ? nullptr : &*it;
}

void remove_key(KeyStates& keys, int code) {
    const auto it =
        std::find_if(keys.begin(), keys.end(), [&](const KeyEntry& k) { return k.code == code; });
    if (it != keys.end()) keys.erase(it);
}

void set_pending(KeyStates& keys, int code) {
    if (code < 0 || code > 0xFF) return;
    for (auto it = keys.begin(); it != keys.end(); ++it) {
        if (it->code == code) {
            it->state = KeyState::pending;
            return;
        }
        if (it->code > code) {
            keys.insert(it, {code, KeyState::pending});
            return;
        }
    }
    keys.push_back({code, KeyState::pending});
}

std::optional<KeyEntry> find_prior(const KeyStates& keys, int code) {
    for (const KeyEntry& k : keys)
        if (k.code == code && k.state != KeyState::pending) return k;
    return std::nullopt;
}

void confirm_pending(KeyStates& keys) {
    for (KeyEntry& k : keys)
        if (k.state == KeyState::pending) k.state = KeyState::stored;
}

bool has_learned_keys(const KeyStates& keys) {
    return std::any_of(keys.begin(), keys.end(),
                       [](const KeyEntry& k) { return is_learned(k.state); });
}

KeyLook key_look(const KeyStates& keys, int key_code, int mode) {
    KeyLook look = KeyLook::normal;
    for (const KeyEntry& k : keys)
        if (k.code - kCodesPerMode * mode == key_code)
            look = is_learned(k.state) ? KeyLook::learned : KeyLook::preset;
    return look;
}

}  // namespace orvalin::learning
