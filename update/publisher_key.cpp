#include "update/publisher_key.h"

#include <cstdlib>

namespace orvalin::update {

std::optional<PublicKey> built_in_publisher_key() {
    // The build checks the setting's form; a key that still does not decode is a
    // broken build, not something to run with.
    static const std::optional<PublicKey> key = []() -> std::optional<PublicKey> {
        constexpr const char* setting = ORVALIN_UPDATE_PUBLIC_KEY;
        if (*setting == '\0') return std::nullopt;
        const auto parsed = parse_public_key(setting);
        if (!parsed) std::abort();
        return parsed;
    }();
    return key;
}

}  // namespace orvalin::update
