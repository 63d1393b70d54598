// Values of hexadecimal digits (either case), for every reader of hex text.
#pragma once

#include <string_view>

namespace orvalin {

// Value of one hex digit; -1 for any other character.
constexpr int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Value of a run of at most seven hex digits; -1 when it is empty, longer, or holds
// any other character.
constexpr long hex_digits_value(std::string_view digits) {
    if (digits.empty() || digits.size() > 7) return -1;
    long value = 0;
    for (char c : digits) {
        const int d = hex_digit_value(c);
        if (d < 0) return -1;
        value = value * 16 + d;
    }
    return value;
}

}  // namespace orvalin
