// Decimal numbers in outside text (sizes, serials): digits only, 1 to 19 of them,
// so that every value fits 64 bits without a check of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orvalin {

inline std::optional<std::uint64_t> parse_decimal(std::string_view s) {
    if (s.empty() || s.size() > 19) return std::nullopt;
    std::uint64_t v = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return v;
}

}  // namespace orvalin
