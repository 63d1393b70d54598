#include "update/release.h"

#include <strings.h>

#include <fstream>
#include <iterator>

#include "common/decimal_text.h"
#include "update/digest.h"
#include "update/file_io.h"
#include "update/local_time.h"

namespace orvalin::update {
namespace fs = std::filesystem;

namespace {

constexpr const char* kRecord = "accepted-release";

const std::string* value_of(const UpdateConfig& config, std::string_view key) {
    for (const auto& [k, v] : config.release)
        if (k.size() == key.size() && strncasecmp(k.data(), key.data(), key.size()) == 0) return &v;
    return nullptr;
}

std::optional<std::uint64_t> decimal(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return parse_decimal(s);
}

std::optional<std::chrono::sys_seconds> utc_time(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    // Only an explicit UTC time: a local time would mean something else on every machine.
    if (s.size() < 2 || s.back() != 'Z') return std::nullopt;
    s.remove_suffix(1);
    if (s.size() != 19) return std::nullopt;
    const auto t = parse_iso_datetime(s);
    if (!t) return std::nullopt;
    return std::chrono::sys_seconds{t->time_since_epoch()};
}

}  // namespace

std::optional<Release> parse_release(const UpdateConfig& config, ReleaseCheck* why) {
    const std::string* serial = value_of(config, "serial");
    const std::string* expires = value_of(config, "expires");
    if (serial == nullptr || expires == nullptr) {
        if (why != nullptr) *why = ReleaseCheck::missing;
        return std::nullopt;
    }
    const auto n = decimal(*serial);
    const auto t = utc_time(*expires);
    if (!n || !t) {
        if (why != nullptr) *why = ReleaseCheck::malformed;
        return std::nullopt;
    }
    return Release{*n, *t};
}

ReleaseCheck check_release(const UpdateConfig& config, std::string_view signed_bytes,
                           const std::optional<AcceptedRelease>& accepted,
                           std::chrono::sys_seconds now, Release* release, bool ignore_expiry) {
    ReleaseCheck why = ReleaseCheck::fresh;
    const auto r = parse_release(config, &why);
    if (!r) return why;
    if (release != nullptr) *release = *r;
    if (accepted) {
        if (r->serial < accepted->serial) return ReleaseCheck::older;
        if (r->serial == accepted->serial && sha256_hex(signed_bytes) != accepted->sha256)
            return ReleaseCheck::replayed;
    }
    if (!ignore_expiry && r->expires <= now) return ReleaseCheck::expired;
    return ReleaseCheck::fresh;
}

std::string utc_text(std::chrono::sys_seconds t) {
    const auto day = std::chrono::floor<std::chrono::days>(t);
    const std::chrono::year_month_day date{day};
    const std::chrono::hh_mm_ss time{t - day};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02lld:%02lld:%02lldZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<long long>(time.hours().count()),
                  static_cast<long long>(time.minutes().count()),
                  static_cast<long long>(time.seconds().count()));
    return text;
}

std::optional<AcceptedRelease> read_accepted_release(const fs::path& staging_dir) {
    std::ifstream in(staging_dir / kRecord, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text;
    char buffer[256];
    in.read(buffer, sizeof buffer);
    text.assign(buffer, static_cast<std::size_t>(in.gcount()));
    const auto space = text.find(' ');
    if (space == std::string::npos) return std::nullopt;
    std::string hash = text.substr(space + 1);
    while (!hash.empty() && (hash.back() == '\n' || hash.back() == '\r')) hash.pop_back();
    const auto serial = decimal(std::string_view(text).substr(0, space));
    if (!serial || hash.size() != 64) return std::nullopt;
    for (char c : hash)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return std::nullopt;
    return AcceptedRelease{*serial, hash};
}

bool write_accepted_release(const fs::path& staging_dir, const AcceptedRelease& r) {
    std::error_code ec;
    fs::create_directories(staging_dir, ec);
    return replace_file(staging_dir / kRecord, std::to_string(r.serial) + " " + r.sha256 + "\n");
}

}  // namespace orvalin::update
