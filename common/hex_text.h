// The one reader and writer of hex text for the whole project: two digits per
// byte, first byte first, upper case unless a caller asks otherwise. Readers never
// look past the text and report a bad digit as -1.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace orvalin::hex {

namespace detail {
constexpr int slow_digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
constexpr std::array<signed char, 256> make_values() {
    std::array<signed char, 256> values{};
    for (int c = 0; c < 256; ++c)
        values[static_cast<std::size_t>(c)] =
            static_cast<signed char>(slow_digit_value(static_cast<char>(c)));
    return values;
}
inline constexpr std::array<signed char, 256> kValues = make_values();
inline constexpr char kUpper[] = "0123456789ABCDEF";
inline constexpr char kLower[] = "0123456789abcdef";
}  // namespace detail

// Value of one hex digit (either case); -1 for any other character.
constexpr int digit_value(char c) {
    return detail::kValues[static_cast<unsigned char>(c)];
}

// Value of `count` digits at `pos`, first digit most significant; -1 when the
// text is too short there, count is 0, a character is not a hex digit or the value
// does not fit.
constexpr long number_at(std::string_view text, std::size_t pos, std::size_t count) {
    if (pos > text.size() || count > text.size() - pos || count == 0) return -1;
    long value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int d = digit_value(text[pos + i]);
        if (d < 0 || value > (std::numeric_limits<long>::max() >> 4)) return -1;
        value = value * 16 + d;
    }
    return value;
}

// Value of the two digits at `pos` (one byte), or -1.
constexpr int byte_at(std::string_view text, std::size_t pos) {
    return static_cast<int>(number_at(text, pos, 2));
}

// Value of a run of at most seven hex digits; -1 when it is empty, longer, or holds
// any other character.
constexpr long digits_value(std::string_view digits) {
    if (digits.size() > 7) return -1;
    return number_at(digits, 0, digits.size());
}

// True when every character of the text is a hex digit.
constexpr bool is_hex_text(std::string_view text) {
    int bad = 0;  // no early exit: the loop stays branch-free
    for (char c : text) bad |= digit_value(c);
    return bad >= 0;
}

enum class Case { upper, lower };

// Appends `value` as `digits` hex digits (only the low 4 x digits bits).
inline void append(std::string& out, unsigned long value, int digits, Case c = Case::upper) {
    const char* table = c == Case::upper ? detail::kUpper : detail::kLower;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += table[(value >> shift) & 0xF];
}

// Appends a 16-bit value as four digits, low byte first (the table's word order).
inline void append_word_le(std::string& out, unsigned value) {
    append(out, value & 0xFF, 2);
    append(out, (value >> 8) & 0xFF, 2);
}

// Appends two digits per byte, high nibble first.
inline void append_bytes(std::string& out, const std::uint8_t* bytes, std::size_t count,
                         Case c = Case::upper) {
    const char* table = c == Case::upper ? detail::kUpper : detail::kLower;
    for (std::size_t i = 0; i < count; ++i) {
        out += table[bytes[i] >> 4];
        out += table[bytes[i] & 0x0F];
    }
}

inline std::string from_bytes(const std::uint8_t* bytes, std::size_t count, Case c = Case::upper) {
    std::string text;
    text.reserve(2 * count);
    append_bytes(text, bytes, count, c);
    return text;
}

inline std::string from_bytes(const std::vector<std::uint8_t>& bytes, Case c = Case::upper) {
    return from_bytes(bytes.data(), bytes.size(), c);
}

// The device library's lenient pair: read the way strtol(base 16) reads it, low
// 8 bits kept ("G1" -> 0, "1G" -> 1).
inline std::uint8_t lenient_pair(char high, char low) {
    const char pair[3] = {high, low, '\0'};
    return static_cast<std::uint8_t>(std::strtol(pair, nullptr, 16) & 0xFF);
}

// Consecutive lenient pairs from the start; an odd last character is ignored.
inline std::vector<std::uint8_t> lenient_bytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t k = 0; 2 * k + 1 < text.size(); ++k)
        bytes.push_back(lenient_pair(text[2 * k], text[2 * k + 1]));
    return bytes;
}

}  // namespace orvalin::hex
