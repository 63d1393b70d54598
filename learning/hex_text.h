// Hex text as the device library hands it over: two digits per byte, first byte
// first. Readers never look past the text and report a bad digit as -1.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "common/hex_digits.h"

namespace orvalin::learning {

namespace detail {
constexpr std::array<signed char, 256> make_hex_values() {
    std::array<signed char, 256> values{};
    for (auto& v : values) v = -1;
    for (int c = 0; c < 256; ++c)
        values[static_cast<std::size_t>(c)] =
            static_cast<signed char>(hex_digit_value(static_cast<char>(c)));
    return values;
}
inline constexpr std::array<signed char, 256> kHexValues = make_hex_values();
}  // namespace detail

// Value of one hex digit (either case), -1 for any other character.
inline int hex_digit(char c) {
    return detail::kHexValues[static_cast<unsigned char>(c)];
}

// Value of `count` digits at `pos`, first digit most significant; -1 when the
// text is too short there or a character is not a hex digit.
long hex_number(std::string_view text, std::size_t pos, std::size_t count);

// Value of the two digits at `pos` (one byte), or -1.
inline int hex_byte(std::string_view text, std::size_t pos) {
    return static_cast<int>(hex_number(text, pos, 2));
}

// True when every character of the text is a hex digit.
bool is_hex_text(std::string_view text);

// Appends `value` as `digits` upper-case hex digits (only the low 4 x digits bits).
void append_hex(std::string& out, unsigned long value, int digits);

// Appends a 16-bit value as four digits, low byte first (the table's word order).
void append_hex_word_le(std::string& out, unsigned value);

}  // namespace orvalin::learning
