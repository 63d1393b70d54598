// Byte offsets of the fields of a code-type record body and the maxima of its
// counts. Shared by the writer and the reader so the layout lives in one place.
#pragma once

#include <cstddef>

namespace orvalin::ircode::layout {

inline constexpr std::size_t kNoCarrier = 0x000;
inline constexpr std::size_t kCarrierHz = 0x004;
inline constexpr std::size_t kCarrierCode = 0x008;
inline constexpr std::size_t kCarrierDivisor = 0x009;
inline constexpr std::size_t kSymbolCount = 0x00C;
inline constexpr std::size_t kSymbols = 0x010;  // count slot, then the items
inline constexpr std::size_t kSymbolStride = 28;
inline constexpr std::size_t kToggleWidth = 0x080;
inline constexpr std::size_t kToggleA = 0x081;
inline constexpr std::size_t kToggleB = 0x083;
inline constexpr std::size_t kSequenceCount = 0x08C;
inline constexpr std::size_t kSequences = 0x090;  // count slot, then the items
inline constexpr std::size_t kSequenceStride = 132;
inline constexpr std::size_t kFrameOrderCount = 0x3A8;
inline constexpr std::size_t kFrameOrder = 0x3AC;
inline constexpr std::size_t kRepeatTail = 0x3CC;
inline constexpr std::size_t kRepeatOrderCount = 0x3D0;
inline constexpr std::size_t kRepeatOrder = 0x3D4;
inline constexpr std::size_t kAttrHigh = 0x3E5;
inline constexpr std::size_t kAttrByte = 0x3E6;
inline constexpr std::size_t kAttrLow = 0x3E7;

inline constexpr std::size_t kMaxSymbols = 4;
inline constexpr std::size_t kMaxSymbolItems = 6;
inline constexpr std::size_t kMaxSequences = 6;
inline constexpr std::size_t kMaxSequenceItems = 32;
inline constexpr std::size_t kMaxFrameOrder = 8;
inline constexpr std::size_t kMaxRepeatOrder = 4;

}  // namespace orvalin::ircode::layout
