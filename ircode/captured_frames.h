// A timing text read back into frames: the durations of each frame in
// microseconds (marks and spaces alternating, a mark first) and the gap after it.
// The text is untrusted: anything that does not parse gives nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvalin::ircode {

struct CapturedFrame {
    std::vector<int> durations;  // microseconds; even positions marks, odd spaces
    int gap_ms = -1;             // silence after the frame; -1 for a closing "EDED" alone
};

struct Capture {
    int carrier_khz = 0;  // 0: sent without carrier
    std::vector<CapturedFrame> frames;
};

// Reads a whole timing text (frame count digit, four carrier characters, then
// durations and the gap and end blocks). The frame count must agree with the
// frames found and every frame must hold at least one duration.
std::optional<Capture> ReadTimingText(std::string_view text);

// A receiver's glitch before the code: a first frame of one short mark (below
// kGlitchMarkUs), then a frame gap, then a frame of a real code. Dropped, so
// that it is neither learned as a frame nor makes the code its repeat frame.
inline constexpr int kGlitchMarkUs = 1000;
bool DropLoneGlitch(Capture& capture);

// The same on a timing text: the text without the glitch frame (its frame
// count lowered), or the text as it is.
std::string WithoutLoneGlitch(std::string_view timing_text);

}  // namespace orvalin::ircode
