// The public key of the publisher whose signature the update window requires on
// the update configuration: a build setting (ORVALIN_UPDATE_PUBLIC_KEY) with no
// default. There is deliberately no run-time override.
#pragma once

#include <optional>

#include "update/signature.h"

namespace orvalin::update {

// None when the build was made without a key: it takes no online updates.
std::optional<PublicKey> built_in_publisher_key();

}  // namespace orvalin::update
