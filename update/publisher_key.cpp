#include "update/publisher_key.h"

#include <cstdlib>

namespace orvalin::update {

PublicKey built_in_publisher_key() {
    // The build checks the setting's form; a key that still does not decode is a
    // broken build, not something to run with.
    static const PublicKey key = [] {
        const auto parsed = parse_public_key(ORVALIN_UPDATE_PUBLIC_KEY);
        if (!parsed) std::abort();
        return *parsed;
    }();
    return key;
}

}  // namespace orvalin::update
