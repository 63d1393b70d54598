#include "ircode/text_scan.h"

#include "common/hex_text.h"

namespace orvalin::ircode {
bool ParseHex(std::string_view text, std::size_t pos, std::size_t count, std::int64_t& value) {
    const std::string_view digits = Cut(text, pos, count);
    const long result = hex::number_at(digits, 0, digits.size());
    if (result < 0) return false;
    value = result;
    return true;
}

void AppendHex4(std::string& out, std::uint32_t value) {
    int digits = 4;
    while (digits < 8 && (value >> (4 * digits)) != 0) ++digits;
    hex::append(out, value, digits);
}

void AppendHexByte(std::string& out, std::uint8_t value) {
    hex::append(out, value, 2);
}

}  // namespace orvalin::ircode
