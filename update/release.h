// How new a signed update configuration is: section "release" carries a serial
// that only grows and an expiry time (UTC), both covered by the signature. The
// highest serial a user has accepted is kept, so that an old configuration
// replayed by someone on the network, or one changed under a serial already used,
// is refused. Qt-free.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "update/update_config.h"

namespace orvalin::update {

struct Release {
    std::uint64_t serial = 0;
    std::chrono::sys_seconds expires{};
};

// The highest serial accepted so far and the SHA-256 of the configuration signed
// under it.
struct AcceptedRelease {
    std::uint64_t serial = 0;
    std::string sha256;  // lower-case hex
};

enum class ReleaseCheck {
    fresh,
    missing,    // no serial or no expiry: made before configurations carried them
    malformed,  // a serial that is not a decimal number, an unreadable expiry
    older,      // a serial lower than the one accepted
    replayed,   // the serial accepted, but other bytes
    expired,
};

// "serial" (decimal, 1 to 19 digits) and "expires" ("YYYY-MM-DDTHH:MM:SSZ" or
// "YYYY-MM-DD HH:MM:SSZ", UTC) of section "release".
std::optional<Release> parse_release(const UpdateConfig& config, ReleaseCheck* why = nullptr);

// Is the configuration (signed_bytes, parsed into config) fresh against what was
// accepted before (none: anything well-formed) at the time now? With
// ignore_expiry, an expired configuration passes (the one an update was staged
// under, checked when it was fetched).
ReleaseCheck check_release(const UpdateConfig& config, std::string_view signed_bytes,
                           const std::optional<AcceptedRelease>& accepted,
                           std::chrono::sys_seconds now, Release* release = nullptr,
                           bool ignore_expiry = false);

// "YYYY-MM-DDTHH:MM:SSZ".
std::string utc_text(std::chrono::sys_seconds t);

// The record in the user's staging folder; nullopt when there is none or it does
// not read as one.
std::optional<AcceptedRelease> read_accepted_release(const std::filesystem::path& staging_dir);
bool write_accepted_release(const std::filesystem::path& staging_dir, const AcceptedRelease& r);

}  // namespace orvalin::update
