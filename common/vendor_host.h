// The vendor's web host: named in the version messages, tested by the update
// window's connection test, and the host of the update configuration. A build
// setting (ORVALIN_VENDOR_HOST) that the environment variable of the same name
// overrides at run time, so tests and self-hosters can point it at their own server.
#pragma once

#include <cstdlib>
#include <string>

#ifndef ORVALIN_VENDOR_HOST_DEFAULT
#define ORVALIN_VENDOR_HOST_DEFAULT "www.orvalin.example"
#endif

namespace orvalin {

inline std::string vendor_host() {
    const char* env = std::getenv("ORVALIN_VENDOR_HOST");
    if (env != nullptr && *env != '\0') return env;
    return ORVALIN_VENDOR_HOST_DEFAULT;
}

}  // namespace orvalin
