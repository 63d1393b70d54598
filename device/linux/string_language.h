// The language that string descriptors are asked in: the first LANGID that the
// device lists in its string descriptor 0, or US English when it lists none.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorkel::linux_hid {

inline constexpr std::uint16_t kFallbackLanguage = 0x0409;

// raw: the descriptor as read (length byte, type byte, then LANGIDs low byte first);
// got: the bytes the transfer returned, or a negative error.
std::uint16_t first_language(const std::uint8_t* raw, int got);

}  // namespace vorkel::linux_hid
