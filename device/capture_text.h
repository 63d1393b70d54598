// The capture cut: sample bytes and three status bytes become the capture text
// that RCollectCodeInfo returns (the trailing silence replaced by twenty "7FFF"
// words, then the six status digits).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vorkel {

// samples: the collected sample bytes (an odd last byte is dropped here).
// Returns the capture text without NUL; empty when no sample byte is left.
std::string capture_text(const std::vector<std::uint8_t>& samples,
                         const std::array<std::uint8_t, 3>& status);

}  // namespace vorkel
