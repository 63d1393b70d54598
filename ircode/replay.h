// Replay of a code-type image: the pulses and gaps that the remote sends for one
// key press, read from the bytes of a one-key table alone (the inverse of the
// encoders). Used for previews and exports and as the test oracle of the
// encoders. The image is untrusted: every read is bounds-checked and a bad image
// gives a message, never a crash.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvalin::ircode {

struct ReplayedFrame {
    // Pulses positive, gaps negative, in microseconds, neighbours of one kind
    // joined. A frame may start with a gap (bi-phase codes).
    std::vector<int> durations_us;
    // Silence between the end of this frame and the start of the next one; 0 for
    // the last frame.
    int gap_after_us = 0;
    bool repeat = false;  // the repeat frame of the code type
};

struct ReplayedSignal {
    int carrier_hz = 0;  // 0: sent without carrier
    int key_number = 0;  // the table code of the key record
    double unit_us = 0;  // the timer unit U = P x D ticks of the 6000 kHz clock
    std::vector<ReplayedFrame> frames;
    // The symbol table: each symbol's durations in microseconds.
    std::vector<std::vector<int>> symbols_us;
    // Per frame (as `frames`), the symbols that its fields and toggles send, in
    // order (indexes into symbols_us); what a parameter decoder reads.
    std::vector<std::vector<int>> frame_symbols;
};

// Replays a one-key table given as hex text (spaces and line breaks ignored).
// nullopt with a message in *error when the image cannot be read.
std::optional<ReplayedSignal> replay_table(std::string_view table_hex,
                                           std::string* error = nullptr);
std::optional<ReplayedSignal> replay_table(const std::vector<std::uint8_t>& table,
                                           std::string* error = nullptr);

// The whole signal as alternating pulses (positive) and gaps (negative): frames
// and the silences between them joined, a leading gap dropped.
std::vector<int> flatten(const ReplayedSignal& signal);

// LIRC "mode2" text: "carrier N", then one "pulse N" / "space N" line per duration.
std::string to_mode2(const ReplayedSignal& signal);

}  // namespace orvalin::ircode
