#include "signals/formats/text_lines.h"

#include <charconv>
#include <cmath>

namespace orvalin::formats {

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

}  // namespace

std::string_view trim(std::string_view s) {
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

std::vector<TextLine> split_lines(std::string_view text) {
    std::vector<TextLine> lines;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back({++number, trim(text.substr(0, end))});
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::vector<std::string_view> split_words(std::string_view s) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && blank(s[i])) ++i;
        std::size_t j = i;
        while (j < s.size() && !blank(s[j])) ++j;
        if (j > i) words.push_back(s.substr(i, j - i));
        i = j;
    }
    return words;
}

std::optional<long> parse_long(std::string_view s, long min, long max) {
    s = trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    long value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    if (value < min || value > max) return std::nullopt;
    return value;
}

std::optional<std::uint64_t> parse_hex(std::string_view s) {
    s = trim(s);
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 16);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::optional<double> parse_decimal(std::string_view s) {
    s = trim(s);
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace orvalin::formats
