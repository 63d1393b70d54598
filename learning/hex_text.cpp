#include "learning/hex_text.h"

namespace orvalin::learning {

long hex_number(std::string_view text, std::size_t pos, std::size_t count) {
    if (pos > text.size() || count > text.size() - pos || count == 0) return -1;
    long value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int d = hex_digit(text[pos + i]);
        if (d < 0) return -1;
        value = value * 16 + d;
    }
    return value;
}

bool is_hex_text(std::string_view text) {
    int bad = 0;  // no early exit: the loop stays branch-free
    for (char c : text) bad |= hex_digit(c);
    return bad >= 0;
}

void append_hex(std::string& out, unsigned long value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out += kDigits[(value >> shift) & 0xF];
}

void append_hex_word_le(std::string& out, unsigned value) {
    append_hex(out, value & 0xFF, 2);
    append_hex(out, (value >> 8) & 0xFF, 2);
}

}  // namespace orvalin::learning
