// Frame matching of one code type: the pattern is cut into frame patterns at its
// separators, the recording into frames at their "EDED" ends; each frame passes
// the timing check of its separator, loses its lead-in, is decoded by the four
// matchers and compared with its frame pattern.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ircode/symbol_table.h"

namespace orvalin::ircode {

// Timing check of a separator ("h" or "t" and 4 digits of milliseconds) against a
// recorded frame. Nothing when a number it reads does not convert.
std::optional<bool> TimingCheck(std::string_view separator, std::string_view frame);

// Lead-in strip: the frame without the durations of `lead_in` (4 digits each).
// Empty text when the lead-in does not fit; nothing when a number does not convert.
std::optional<std::string> StripLeadIn(std::string_view lead_in, std::string_view frame);

// Compare of a frame pattern with a lead-in followed by a matcher output: the merged
// text, empty when they do not match; nothing when a number does not convert.
std::optional<std::string> CompareFrame(std::string_view frame_pattern, std::string_view text);

struct FrameMatch {
    std::string matched;             // empty: the code type does not fit
    bool conversion_failed = false;  // the recording holds text that is not a number
};

// Runs the frame matching of a pattern against the whole timing text.
FrameMatch MatchFrames(std::string_view pattern, std::string_view input,
                       const SymbolTable& symbols);

}  // namespace orvalin::ircode
