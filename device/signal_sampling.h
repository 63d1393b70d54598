// Infrared signals as the remote samples them: pulses and spaces in microseconds
// become 16-bit words of a third of a microsecond (mark bit, "7FFF" runs for long
// durations, silence after the signal) plus three carrier bytes. Also reads the
// LIRC "mode2" text form of a signal. Used by the simulated remote and by
// orvalin-cli, so both sample alike.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorkel {

struct PulseSignal {
    std::vector<int> durations_us;  // positive: pulse (carrier on); negative: space
    int carrier_hz = 38000;         // 0: no carrier
};

struct SampledSignal {
    std::vector<std::uint8_t> bytes;       // words, high byte first, silence included
    std::array<std::uint8_t, 3> status{};  // carrier bytes
};

// "pulse N" / "space N" lines (microseconds), an optional "carrier N" line, other
// lines ignored. Consecutive pulses (or spaces) are added up. Leading spaces are
// dropped. nullopt with a message in *error on bad input.
std::optional<PulseSignal> parse_mode2(std::string_view text, std::string* error = nullptr);

// The words the remote's sampler produces for the signal, followed by enough
// "7FFF" silence words to end the capture.
SampledSignal sample_signal(const PulseSignal& signal);

// Carrier bytes whose sum s gives trunc(1000 / (s / 9)) = the carrier in kHz.
std::array<std::uint8_t, 3> carrier_bytes(int carrier_hz);

}  // namespace vorkel
