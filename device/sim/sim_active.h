// Whether a test has made the simulated remote the active backend.
#pragma once

namespace vorkel::sim {

bool forced_active();

}  // namespace vorkel::sim
