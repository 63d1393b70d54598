// Whether tests of the real backend may run on this machine. Tests never write
// to a real remote by accident: with a remote attached they are skipped unless
// ORVALIN_HARDWARE_TESTS=1 asks for the hardware tests, which back up and
// restore what they change.
#pragma once

#include <cstdlib>
#include <string_view>

#include "device/remote_nodes.h"

enum class RealBackendTests {
    without_remote,  // no remote attached: the "nothing found" tests run
    skip,            // a remote is attached and nobody asked for hardware tests
    hardware,        // a remote is attached and hardware tests were asked for
};

inline RealBackendTests real_backend_tests(bool remote_attached, const char* opt_in) {
    if (!remote_attached) return RealBackendTests::without_remote;
    return opt_in != nullptr && std::string_view(opt_in) == "1" ? RealBackendTests::hardware
                                                                : RealBackendTests::skip;
}

// This machine: a remote counts as attached when sysfs shows its identity, with
// or without a hidraw node, and whether or not this user may open it.
inline RealBackendTests real_backend_tests_here() {
    const bool attached = !vorkel::linux_hid::find_remotes("/sys", "/dev").empty();
    return real_backend_tests(attached, std::getenv("ORVALIN_HARDWARE_TESTS"));
}
