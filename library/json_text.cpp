#include "library/json_text.h"

#include <cstdio>

namespace orvalin::library {

namespace {

// Length of the valid UTF-8 sequence at s[i], 0 when it is not one.
std::size_t utf8_length(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    unsigned min = 0;
    unsigned cp = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2, cp = b & 0x1Fu, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3, cp = b & 0x0Fu, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4, cp = b & 0x07u, min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (c & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

std::string json_string(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t n = utf8_length(text, i);
            if (n == 0) {
                out += "\xEF\xBF\xBD";
                ++i;
            } else {
                out.append(text.substr(i, n));
                i += n;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
    return out + "\"";
}

}  // namespace orvalin::library
