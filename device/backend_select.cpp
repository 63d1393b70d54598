#include <cstdlib>
#include <cstring>

#include "device/backend.h"
#include "device/sim/sim_active.h"

namespace vorkel {

Backend& active_backend() {
    if (sim::forced_active()) return simulated_backend();
    // Read on every call: the library keeps nothing between calls.
    const char* choice = std::getenv("VORKEL_BACKEND");
    if (choice != nullptr && std::strcmp(choice, "sim") == 0) return simulated_backend();
    return linux_backend();
}

}  // namespace vorkel
