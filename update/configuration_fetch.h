// Fetches the update configuration and the signature beside it from the vendor's
// host (the window and orvalin-cli alike). Qt-free.
#pragma once

#include <string>
#include <string_view>

#include "update/http_client.h"

namespace orvalin::update {

struct FetchedConfiguration {
    bool ok = false;  // the configuration arrived (its signature may still be missing)
    std::string body;
    // Empty when none is published; a text that is no signature when the server
    // sent far too much.
    std::string signature;
};

FetchedConfiguration fetch_configuration(HttpClient& http, std::string_view host_setting,
                                         TransferObserver* observer);

}  // namespace orvalin::update
