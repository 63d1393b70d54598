#include "library/key_mapping.h"

#include <algorithm>
#include <optional>

#include "common/key_table.h"

namespace orvalin::library {

namespace {

constexpr const char* kNoKey = "no key for this name";

struct Claim {
    std::size_t signal;
    std::size_t rank;
};

}  // namespace

bool learnable_key(int key_code) {
    return key_code >= 0 && key_code < kKeysPerMode && key_code != kTvModeKeyCode &&
           key_code != kCblModeKeyCode && key_code != kDvdModeKeyCode;
}

std::string key_label(int key_code) {
    for (const KeyInfo& k : kKeyTable)
        if (k.code == key_code) return std::string(key_message_name(k));
    return "0x" + std::to_string(key_code);
}

std::vector<Assignment> map_signals(const std::vector<std::string>& signal_names,
                                    const KeyNames& names) {
    std::vector<Assignment> out(signal_names.size());
    const auto& entries = names.entries();
    // The best claim on each entry: the first-listed name, then the first in the file.
    std::vector<std::optional<Claim>> best(entries.size());
    std::vector<std::optional<NameMatch>> matches(signal_names.size());
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < signal_names.size(); ++i) {
        out[i].signal = signal_names[i];
        const std::string normal = normal_name(signal_names[i]);
        if (std::find(seen.begin(), seen.end(), normal) != seen.end()) {
            out[i].reason = "a signal of the same name comes earlier in the file";
            continue;
        }
        seen.push_back(normal);
        matches[i] = names.lookup(signal_names[i]);
        if (!matches[i]) {
            out[i].reason = kNoKey;
            continue;
        }
        auto& b = best[matches[i]->entry];
        if (!b || matches[i]->rank < b->rank) b = Claim{i, matches[i]->rank};
    }
    std::size_t next_custom = 0;
    const auto take_custom = [&](Assignment& a) {
        if (next_custom < kCustomKeys.size()) {
            a.key_code = kCustomKeys[next_custom++];
        } else {
            a.reason = "all twelve custom keys are taken";
        }
    };
    for (std::size_t e = 0; e < entries.size(); ++e) {
        if (!best[e]) continue;
        Assignment& a = out[best[e]->signal];
        a.function = entries[e].label;
        if (entries[e].key_code >= 0) {
            a.key_code = entries[e].key_code;
        } else {
            take_custom(a);
        }
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (!matches[i] || out[i].key_code >= 0 || !out[i].reason.empty()) continue;
        const auto& winner = best[matches[i]->entry];
        // A fallback name that lost its key ("Enter" beside "Ok") is a function of
        // its own: it takes a custom key left over, in file order.
        if (matches[i]->fallback && entries[matches[i]->entry].key_code >= 0) {
            out[i].function = out[i].signal;
            take_custom(out[i]);
            continue;
        }
        out[i].function = entries[matches[i]->entry].label;
        out[i].reason = "its key takes " + out[winner->signal].signal;
    }
    return out;
}

bool assign(std::vector<Assignment>& mapping, std::size_t index, int key_code, std::string& why) {
    if (index >= mapping.size()) {
        why = "no such signal";
        return false;
    }
    if (key_code >= 0 && !learnable_key(key_code)) {
        why =
            key_code == kTvModeKeyCode || key_code == kCblModeKeyCode || key_code == kDvdModeKeyCode
                ? "a mode key cannot hold a learned code"
                : "no such key";
        return false;
    }
    if (key_code >= 0) {
        for (std::size_t i = 0; i < mapping.size(); ++i) {
            if (i != index && mapping[i].key_code == key_code) {
                mapping[i].key_code = -1;
                mapping[i].reason = "its key was given to " + mapping[index].signal;
            }
        }
    }
    Assignment& a = mapping[index];
    a.key_code = key_code;
    a.reason = key_code >= 0 ? "" : "left out";
    if (key_code >= 0) a.function.clear();
    return true;
}

}  // namespace orvalin::library
