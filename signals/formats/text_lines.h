// Line-by-line reading of the text formats, with the line numbers that errors name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvalin::formats {

struct TextLine {
    int number = 0;         // 1-based
    std::string_view text;  // without the line break and surrounding blanks
};

// The lines of a text; "\r\n" and "\n" both end a line.
std::vector<TextLine> split_lines(std::string_view text);

std::string_view trim(std::string_view s);

// Blank-separated words.
std::vector<std::string_view> split_words(std::string_view s);

// A whole decimal number in [min, max]; nullopt otherwise.
std::optional<long> parse_long(std::string_view s, long min, long max);

// A whole hexadecimal number ("0x" prefix optional) of at most 64 bits.
std::optional<std::uint64_t> parse_hex(std::string_view s);

// A decimal number with an optional fraction ("0.330000").
std::optional<double> parse_decimal(std::string_view s);

}  // namespace orvalin::formats
