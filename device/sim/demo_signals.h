// Built-in signals the simulated remote plays when no signal folder is named:
// common remote protocols with their standard public timings.
#pragma once

#include <vector>

#include "signals/sampling.h"

namespace vorkel::sim {

using orvalin::ir_signals::PulseSignal;

// An NEC frame and its repeat frame at 38 kHz, a Sony 12-bit frame sent three
// times at 40 kHz, an RC5 frame sent twice at 36 kHz.
std::vector<PulseSignal> demo_signals();

}  // namespace vorkel::sim
