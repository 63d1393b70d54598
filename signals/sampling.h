// Infrared signals as the remote samples them: pulses and spaces in microseconds
// become 16-bit words of a third of a microsecond (mark bit, "7FFF" runs for long
// durations, silence after the signal) plus three carrier bytes. Used by the
// simulated remote and by orvalin-cli, so both sample alike.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "signals/mode2.h"

namespace orvalin::ir_signals {

struct SampledSignal {
    std::vector<std::uint8_t> bytes;       // words, high byte first, silence included
    std::array<std::uint8_t, 3> status{};  // carrier bytes
};

// The words the remote's sampler produces for the signal, followed by enough
// "7FFF" silence words to end the capture.
SampledSignal sample_signal(const PulseSignal& signal);

// Carrier bytes whose sum s gives trunc(1000 / (s / 9)) = the carrier in kHz.
std::array<std::uint8_t, 3> carrier_bytes(int carrier_hz);

}  // namespace orvalin::ir_signals
