// Learning of a signal that no code type names: the capture's own durations are
// grouped into classes, the frames cut into mark/space pairs, the most frequent
// pairs become the symbols (two: binary fields; three or four: quaternary ones)
// and everything else is written as literal durations. The image is written by
// the encoders' image writer, replayed and compared with the capture before it is
// answered. Qt-free and free of shared state: safe to call from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvalin::ircode {

struct GenericCode {
    std::string table;  // one-key table, upper-case hex
    std::string shape;  // e.g. "pulse-distance 24 bits, lead 4500/4500"
};

// timing_text: the whole timing text (frame count and carrier included).
// Nothing when the text does not parse or no image replays as the capture.
std::optional<GenericCode> LearnGeneric(std::string_view timing_text, std::int32_t key_number);

}  // namespace orvalin::ircode
