// Which key of the remote each signal of a file goes to in a device mode: fixed
// keys by name (the first-listed name wins a key that several signals mean),
// then the custom keys F1-F12 take the file's remaining functions in the order
// of the names file. The user may move any signal to another key or to none.
#pragma once

#include <string>
#include <vector>

#include "library/key_names.h"

namespace orvalin::library {

struct Assignment {
    std::string signal;    // the signal's name as the file gives it
    int key_code = -1;     // -1: not mapped
    std::string function;  // the key's or function's name from the names file
    std::string reason;    // why it is not mapped
};

// One assignment per signal, in file order.
std::vector<Assignment> map_signals(const std::vector<std::string>& signal_names,
                                    const KeyNames& names);

// Puts signal `index` on key_code (-1: on none). The signal that held that key
// loses it. False with why for a key that cannot hold a learned code.
bool assign(std::vector<Assignment>& mapping, std::size_t index, int key_code, std::string& why);

// The name messages give a key ("F1", "VOL+", "OK").
std::string key_label(int key_code);
// A learnable key by key code: not a mode key, one of the panel's 45.
bool learnable_key(int key_code);

}  // namespace orvalin::library
