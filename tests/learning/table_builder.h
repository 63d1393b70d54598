// Test-side writer of code table texts: link pairs, records in the order given and
// each piece laid out on its own (no sharing), so that the rebuild has to merge.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/hex_text.h"

namespace orvalin::learning::testing {

struct Rec {
    std::string code;  // two digits as stored
    std::string attr;  // two digits as stored
    std::string type;  // hex digits of the type piece
    std::string key;   // hex digits of the key piece
};

inline std::string hex2(unsigned v) {
    std::string text;
    hex::append(text, v & 0xFF, 2);
    return text;
}

inline std::string word_le(unsigned v) {
    return hex2(v & 0xFF) + hex2(v >> 8);
}

inline std::string build_table(const std::vector<std::pair<std::string, std::string>>& links,
                               const std::vector<Rec>& recs) {
    std::string head = hex2(static_cast<unsigned>(links.size()));
    for (const auto& [a, b] : links) head += a + b;
    head += hex2(static_cast<unsigned>(recs.size()));
    unsigned cursor = static_cast<unsigned>(head.size() / 2 + 8 * recs.size());
    std::string records, data;
    for (const Rec& r : recs) {
        const unsigned type_off = cursor;
        data += r.type;
        cursor += static_cast<unsigned>(r.type.size() / 2);
        const unsigned key_off = cursor;
        data += r.key;
        cursor += static_cast<unsigned>(r.key.size() / 2);
        records += r.code + r.attr + word_le(type_off) +
                   hex2(static_cast<unsigned>(r.type.size() / 2)) + word_le(key_off) +
                   hex2(static_cast<unsigned>(r.key.size() / 2));
    }
    return head + records + data;
}

// A one-key table as the analysis writes it.
inline std::string one_key(const std::string& code, const std::string& type,
                           const std::string& key) {
    const unsigned t = static_cast<unsigned>(type.size() / 2);
    return "0001" + code + "C7" + "0A00" + hex2(t) + word_le(10 + t) +
           hex2(static_cast<unsigned>(key.size() / 2)) + type + key;
}

inline std::string delete_one(const std::string& code) {
    return "0001" + code + "00000000000000";
}
inline std::string clear_one(const std::string& code) {
    return "0001" + code + "0000000000000000";
}

// The text start-up keeps: the digits read, then zero characters up to 12288.
inline std::string read_buffer(const std::string& hex) {
    std::string text = hex;
    text.resize(12288, '\0');
    return text;
}

}  // namespace orvalin::learning::testing
