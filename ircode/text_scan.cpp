#include "ircode/text_scan.h"

#include "common/hex_digits.h"

namespace orvalin::ircode {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

int DigitValue(char c) {
    return hex_digit_value(c);
}

}  // namespace

bool ParseHex(std::string_view text, std::size_t pos, std::size_t count, std::int64_t& value) {
    const std::string_view digits = Cut(text, pos, count);
    if (digits.empty()) return false;
    std::int64_t result = 0;
    for (const char c : digits) {
        const int digit = DigitValue(c);
        if (digit < 0) return false;
        result = result * 16 + digit;
    }
    value = result;
    return true;
}

void AppendHex4(std::string& out, std::uint32_t value) {
    int digits = 4;
    while (digits < 8 && (value >> (4 * digits)) != 0) ++digits;
    for (int i = digits - 1; i >= 0; --i) out.push_back(kDigits[(value >> (4 * i)) & 0xF]);
}

void AppendHexByte(std::string& out, std::uint8_t value) {
    out.push_back(kDigits[value >> 4]);
    out.push_back(kDigits[value & 0xF]);
}

}  // namespace orvalin::ircode
