#include "update/update_urls.h"

namespace orvalin::update {

std::string vendor_base_url(std::string_view host) {
    std::string url;
    if (host.starts_with("https://") || host.starts_with("http://"))
        url = host;
    else
        url = "http://" + std::string(host);
    while (url.ends_with('/')) url.pop_back();
    return url;
}

std::string config_url(std::string_view host) {
    return vendor_base_url(host) + "/orvalin/update.ini";
}

std::string signature_url(std::string_view host) {
    return config_url(host) + ".sig";
}

}  // namespace orvalin::update
