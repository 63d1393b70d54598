// The markers of the timing text that the collection writes and the analysis
// reads: a one-digit frame count and four carrier digits, then four hex digits per
// duration; "FEFE" and four digits of milliseconds for the gap after a frame, and
// "EDED" at the end of every frame. "7FFF" is the full sample word of a capture
// (a long duration or the silence after the signal).
#pragma once

#include <cstddef>
#include <string_view>

namespace orvalin::timing {

// Frame count and carrier digits before the first duration.
inline constexpr std::size_t kPrefixLength = 5;
inline constexpr std::string_view kGapMark = "FEFE";
inline constexpr std::string_view kEndMark = "EDED";
inline constexpr std::string_view kFullWord = "7FFF";
// The gap written after the only frame of a capture: 20 ms.
inline constexpr std::string_view kLoneFrameGap = "0014";

}  // namespace orvalin::timing
