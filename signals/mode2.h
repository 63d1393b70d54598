// The LIRC "mode2" text form of an infrared signal: pulses and spaces in
// microseconds, and an optional carrier.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvalin::ir_signals {

// Longer than any remote sends; longer durations are cut to it.
inline constexpr long kMaxDurationUs = 10'000'000;

struct PulseSignal {
    std::vector<int> durations_us;  // positive: pulse (carrier on); negative: space
    int carrier_hz = 38000;         // 0: no carrier
};

// "pulse N" / "space N" lines (microseconds), an optional "carrier N" line, other
// lines ignored. Consecutive pulses (or spaces) are added up. Leading spaces are
// dropped. nullopt with a message in *error on bad input.
std::optional<PulseSignal> parse_mode2(std::string_view text, std::string* error = nullptr);

// Appends a duration, joining it to the last one when both are of one kind (the sum
// cut to kMaxDurationUs); a zero duration is dropped.
void push_joined(std::vector<int>& out, int duration_us);

}  // namespace orvalin::ir_signals
