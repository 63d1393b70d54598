// The remote's USB identity: the only two vendor/product pairs that are the remote.
#pragma once

#include <cstdint>

namespace vorkel {

// The vendor is tested first; each vendor then requires its own product.
bool is_remote_identity(std::uint16_t vendor, std::uint16_t product);

}  // namespace vorkel
