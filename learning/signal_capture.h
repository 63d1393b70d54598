// A signal taken the way the remote and the program take it: sampled into
// timing words, collected by the capture's polling (1500-byte limit, end of
// signal), cut, and converted into the timing text that the analysis reads.
#pragma once

#include <string>

#include "signals/mode2.h"

namespace orvalin::ir_signals {

// The capture text that RCollectCodeInfo returns for the signal; empty when the
// capture holds no sample.
std::string capture_text_of(const PulseSignal& signal);

// The timing text (frame count and carrier included); empty when the capture
// holds no complete signal.
std::string timing_text_of(const PulseSignal& signal);

}  // namespace orvalin::ir_signals
