// Addresses on the vendor's host: the connection test, the update configuration
// and its signature. The host setting may name its scheme: "https://host" is
// fetched over TLS with certificate checks; a bare host, as by default, over http.
#pragma once

#include <string>
#include <string_view>

namespace orvalin::update {

// "https://host" and "http://host" as given (without a trailing '/'), else "http://" + host.
std::string vendor_base_url(std::string_view host_setting);

// The update configuration "update.ini" and the detached signature beside it.
std::string config_url(std::string_view host_setting);
std::string signature_url(std::string_view host_setting);

}  // namespace orvalin::update
