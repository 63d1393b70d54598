// The update configuration, its signature file and the offer made of them come
// from a server: any bytes must be read without a crash, no signature made up of
// them may verify, and an accepted offer holds only plain names of data files with
// well-formed hashes.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update/digest.h"
#include "update/file_list.h"
#include "update/release.h"
#include "update/signature.h"
#include "update/signed_offer.h"
#include "update/update_config.h"
#include "update/update_names.h"

namespace {

// A fixed key no test or fuzz input holds the secret of.
const orvalin::update::PublicKey& fixed_key() {
    static const auto key =
        *orvalin::update::parse_public_key("isHtNDocYCAjL2GYMNTuokBP2ECubXKBa/QatueTuq8=");
    return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvalin::update;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const auto config = parse_update_config(text);
    for (const auto& [name, url] : config.servers) (void)config.server_url(name);
    for (const auto& value : config.files) {
        const auto line = parse_file_line(value);
        if (line && !is_safe_base_name(line->name)) std::abort();
    }
    const Offer offer = check_offer(config);
    if (!offer.accepted() && !offer.files.empty()) std::abort();
    for (const auto& f : offer.files)
        if (!is_safe_file_name(f.file) || f.sha256.size() != 64) std::abort();

    // The release section: a serial and an expiry read, or a reason why not; a
    // release that reads is judged the same however it was written.
    ReleaseCheck why = ReleaseCheck::fresh;
    const auto release = parse_release(config, &why);
    if (!release && why != ReleaseCheck::missing && why != ReleaseCheck::malformed) std::abort();
    const auto now = std::chrono::sys_seconds{std::chrono::seconds{1'800'000'000}};
    const auto verdict = check_release(config, text, std::nullopt, now);
    if (release.has_value() != (verdict == ReleaseCheck::fresh || verdict == ReleaseCheck::expired))
        std::abort();
    if (release) {
        if (utc_text(release->expires).size() != 20) std::abort();
        const AcceptedRelease same{release->serial, sha256_hex(text)};
        if (check_release(config, text, same, now, nullptr, true) != ReleaseCheck::fresh)
            std::abort();
        if (release->serial > 0 &&
            check_release(config, text, AcceptedRelease{release->serial - 1, {}}, now, nullptr,
                          true) != ReleaseCheck::fresh)
            std::abort();
        if (release->serial < UINT64_MAX &&
            check_release(config, text, AcceptedRelease{release->serial + 1, {}}, now) !=
                ReleaseCheck::older)
            std::abort();
    }

    // The input as a signature file: over itself and over the empty text.
    (void)parse_signature(text);
    if (check_signature(text, text, fixed_key()) == SignatureCheck::valid) std::abort();
    // Split in two: a configuration and the signature beside it.
    const std::size_t half = size / 2;
    if (check_signature(text.substr(0, half), text.substr(half), fixed_key()) ==
        SignatureCheck::valid)
        std::abort();
    (void)parse_public_key(text);
    return 0;
}
