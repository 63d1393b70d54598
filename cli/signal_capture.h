// A signal taken the way the remote and the program take it: sampled into
// timing words, collected by the capture's polling (1500-byte limit, end of
// signal), cut, and converted into the timing text that the analysis reads.
#pragma once

#include <string>

#include "device/signal_sampling.h"

namespace orvalin::cli {

// The timing text (frame count and carrier included); empty when the capture
// holds no complete signal.
std::string timing_text_of(const vorkel::PulseSignal& signal);

}  // namespace orvalin::cli
