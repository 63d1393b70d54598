#include "update/configuration_fetch.h"

#include "update/signature.h"
#include "update/update_config.h"
#include "update/update_urls.h"

namespace orvalin::update {

FetchedConfiguration fetch_configuration(HttpClient& http, std::string_view host_setting,
                                         TransferObserver* observer) {
    FetchedConfiguration f;
    bool too_long = false;
    auto fetch = [&](const std::string& url, std::size_t limit, std::string& into) {
        too_long = false;
        return http.get(
            url,
            [&into, &too_long, limit](const char* data, std::size_t size) {
                too_long = into.size() + size > limit;
                if (!too_long) into.append(data, size);
                return !too_long;
            },
            observer);
    };
    if (!fetch(config_url(host_setting), kMaxConfigBytes, f.body).ok) return f;
    const HttpResult signature =
        fetch(signature_url(host_setting), kMaxSignatureFileBytes, f.signature);
    // No signature published, or one far too long, is refused by the check; any other
    // failure is a failed fetch.
    f.ok = signature.ok || signature.status == 404 || too_long;
    if (signature.status == 404) f.signature.clear();
    if (too_long) f.signature = "not a signature";
    return f;
}

}  // namespace orvalin::update
