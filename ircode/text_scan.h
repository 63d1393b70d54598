// Small helpers for the texts of the analysis: hexadecimal numbers of at most
// four digits, and clamped cuts that never reach past the end of a text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvalin::ircode {

// The characters from `pos` on, at most `count`; empty when `pos` is past the end.
inline std::string_view Cut(std::string_view text, std::size_t pos, std::size_t count) {
    if (pos >= text.size()) return {};
    return text.substr(pos, count);
}

// The text without its first `count` characters (empty when it is shorter).
inline std::string_view Drop(std::string_view text, std::size_t count) {
    return count >= text.size() ? std::string_view{} : text.substr(count);
}

// Value of the hexadecimal digits (either case) of the first `count` characters at
// `pos`, fewer when the text ends earlier. False when no character is there or one
// is not a hexadecimal digit: the text does not convert.
bool ParseHex(std::string_view text, std::size_t pos, std::size_t count, std::int64_t& value);

// Appends `value` as four upper-case hexadecimal digits (values above 0xFFFF take
// more digits).
void AppendHex4(std::string& out, std::uint32_t value);

// Appends one byte as two upper-case hexadecimal digits.
void AppendHexByte(std::string& out, std::uint8_t value);

// Position of the first four-character word `word` in a recorded frame, looking only
// at word boundaries: the digits of a duration such as "00FE" followed by a gap block
// must not be taken for the block's "FEFE". npos when there is none.
inline std::size_t FindWord(std::string_view text, std::string_view word) {
    for (std::size_t pos = 0; pos + 4 <= text.size(); pos += 4)
        if (text.substr(pos, 4) == word) return pos;
    return std::string_view::npos;
}

inline bool IsSymbolLetter(char c) {
    return c == 'u' || c == 'v' || c == 'w' || c == 'x';
}
inline bool IsSeparator(char c) {
    return c == 'h' || c == 't';
}

}  // namespace orvalin::ircode
