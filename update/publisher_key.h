// The public key of the publisher whose signature the update window requires on
// the update configuration: a build setting (ORVALIN_UPDATE_PUBLIC_KEY), the
// project's own key by default. There is deliberately no run-time override.
#pragma once

#include "update/signature.h"

namespace orvalin::update {

PublicKey built_in_publisher_key();

}  // namespace orvalin::update
