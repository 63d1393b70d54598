// A named infrared signal as code files describe it: an intro sent once, then a
// repeat part sent while the key is held, on a carrier. The readers of every
// format produce these, the writers take them, and one key press renders to the
// pulses and spaces that the sampling and the learning work on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ircode/replay.h"
#include "signals/mode2.h"

namespace orvalin::formats {

// A protocol's own description of a key (Flipper "parsed" signals): the
// protocol name as Flipper spells it and the little-endian address and command.
struct ParsedCode {
    std::string protocol;
    std::uint32_t address = 0;
    std::uint32_t command = 0;
};

struct CodeSignal {
    std::string name;
    std::string group;      // the remote that holds it, where a file has several (LIRC)
    int carrier_hz = 0;     // 0: sent without carrier
    double duty_cycle = 0;  // 0..1; 0 when the file does not say
    // Pulses positive, spaces negative, microseconds. Each part starts with a
    // pulse and alternates; its last space is the silence before what follows.
    std::vector<int> intro_us;
    std::vector<int> repeat_us;
    std::optional<ParsedCode> parsed;  // set when the file describes it by protocol
};

// The signals of one file in file order.
struct SignalFile {
    std::string file_name;
    std::vector<CodeSignal> signals;

    // The first signal of that name, or of "GROUP/NAME" (names compared exactly);
    // nullptr when there is none.
    const CodeSignal* find(const std::string& name) const;
};

// The longest duration that a file may give: no remote sends anything longer.
inline constexpr long kMaxDurationUs = 10'000'000;
// Durations per signal part: far more than any key press holds.
inline constexpr std::size_t kMaxDurations = 1 << 16;
inline constexpr int kMaxCarrierHz = 1'000'000;

// One key press: the intro, then the repeat part `repeats` times (at least once
// when there is no intro). Neighbours of one kind are joined, the trailing silence
// is dropped.
ir_signals::PulseSignal render_press(const CodeSignal& signal, int repeats = 1);

// The signal of a replayed one-key table: the frames before the first repeat
// frame are the intro, the repeat frame is the repeat part. A last frame without
// a gap gets one that keeps the frame period of the frame before it (20 ms for a
// lone frame).
CodeSignal from_replay(const std::string& name, const ircode::ReplayedSignal& replayed);

using ir_signals::push_joined;

// "<file>:<line>: <message>"; the file name alone when line is 0.
std::string located(const std::string& file_name, int line, const std::string& message);

}  // namespace orvalin::formats
