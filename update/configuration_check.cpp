#include "update/configuration_check.h"

namespace orvalin::update {

CheckedConfiguration check_configuration(std::string_view body, std::string_view signature,
                                         const PublicKey& key,
                                         const std::optional<AcceptedRelease>& accepted,
                                         std::chrono::sys_seconds now, bool ignore_expiry) {
    CheckedConfiguration c;
    switch (check_signature(body, signature, key)) {
        case SignatureCheck::valid:
            break;
        case SignatureCheck::missing:
            c.verdict = ConfigVerdict::unsigned_config;
            return c;
        case SignatureCheck::malformed:
        case SignatureCheck::wrong:
            c.verdict = ConfigVerdict::bad_signature;
            return c;
    }
    // Only the verified bytes are read.
    c.config = parse_update_config(body);
    c.offer = check_offer(c.config);
    if (!c.offer.accepted()) {
        c.verdict = ConfigVerdict::unsound_offer;
        return c;
    }
    c.release_check = check_release(c.config, body, accepted, now, &c.release, ignore_expiry);
    c.verdict =
        c.release_check == ReleaseCheck::fresh ? ConfigVerdict::accepted : ConfigVerdict::stale;
    return c;
}

std::chrono::sys_seconds now_seconds() {
    return std::chrono::time_point_cast<std::chrono::seconds>(std::chrono::system_clock::now());
}

}  // namespace orvalin::update
