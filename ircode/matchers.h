// The four matchers that decode the rest of a recorded frame (after its lead-in)
// into symbol letters, raw durations and "h" frame gaps. They differ in their
// tolerance, their starting phase (pulse or gap expected first), whether an
// over-long last duration of a symbol may be split, and how a frame that ends
// inside a symbol is written.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ircode/symbol_table.h"

namespace orvalin::ircode {

enum class Matcher { kM1, kM2, kM3, kM4 };

inline constexpr Matcher kMatcherOrder[] = {Matcher::kM1, Matcher::kM2, Matcher::kM3, Matcher::kM4};

// Decodes `frame_rest` (durations, possibly "FEFE" + 4 digits, then "EDED") into
// the decoded frame text. Nothing when the matcher gives no result: a duration it
// reads is not a hexadecimal number (`conversion_failed` is then set), or the
// description would keep it from advancing through the frame.
std::optional<std::string> RunMatcher(Matcher matcher, std::string_view frame_rest,
                                      const SymbolTable& symbols, bool& conversion_failed);

// The tolerance window of a nominal duration: a measured duration fits when it
// lies strictly between the two bounds.
struct Window {
    std::int64_t low = 0;
    std::int64_t high = 0;
    bool Fits(std::int64_t measured) const { return low < measured && measured < high; }
};
Window ToleranceWindow(Matcher matcher, std::int32_t nominal);

}  // namespace orvalin::ircode
