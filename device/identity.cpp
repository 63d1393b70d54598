#include "device/identity.h"

namespace vorkel {

bool is_remote_identity(std::uint16_t vendor, std::uint16_t product) {
    if (vendor == 0x1920) return product == 0x2A69;
    if (vendor == 0x0C1C) return product == 0x0001;
    return false;
}

}  // namespace vorkel
