// Everything a fetched update configuration must pass before anything of it is
// used: the publisher's signature over its exact bytes, an offer of data files
// only, each with its signed hash, and a release newer than the one accepted
// before. The window, orvalin-cli and the start-up install all judge by it. Qt-free.
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

#include "update/release.h"
#include "update/signature.h"
#include "update/signed_offer.h"
#include "update/update_config.h"

namespace orvalin::update {

enum class ConfigVerdict {
    accepted,
    unsigned_config,  // no signature published, or an empty one
    bad_signature,    // malformed, or not by this key over these bytes
    unsound_offer,    // names code or a path, lacks a hash...: offer.refusal says what
    stale,            // release_check says why
};

struct CheckedConfiguration {
    ConfigVerdict verdict = ConfigVerdict::bad_signature;
    UpdateConfig config;  // parsed only once the signature verified
    Offer offer;
    Release release;
    ReleaseCheck release_check = ReleaseCheck::fresh;
};

// accepted: the release accepted before, if any; with ignore_expiry an expired
// release passes (one whose expiry was checked when it was fetched).
CheckedConfiguration check_configuration(std::string_view body, std::string_view signature,
                                         const PublicKey& key,
                                         const std::optional<AcceptedRelease>& accepted,
                                         std::chrono::sys_seconds now, bool ignore_expiry = false);

// The system clock, in whole seconds.
std::chrono::sys_seconds now_seconds();

}  // namespace orvalin::update
