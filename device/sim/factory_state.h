// The simulated remote as it leaves the factory: basic information block and a
// code table of preset CBL codes with link pairs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorkel::sim {

inline constexpr std::size_t kMemorySize = 256 * 256;
inline constexpr std::size_t kPageSize = 256;
inline constexpr std::uint8_t kBasicInfoPage = 0xD0;
inline constexpr std::uint8_t kCodeTablePage = 0xDA;
inline constexpr std::size_t kBasicInfoSize = 64;
// Basic information byte positions that the start-up check reads.
inline constexpr std::size_t kVersion1Byte = 32;
inline constexpr std::size_t kVersion2Byte = 33;
inline constexpr std::size_t kRemoteTypeByte = 35;  // two bytes, "1800" -> 0x18 0x00

// The factory code table (link pairs, preset records, type and key pieces).
std::vector<std::uint8_t> factory_code_table();

// The whole memory image of a fresh remote.
std::vector<std::uint8_t> factory_memory();

}  // namespace vorkel::sim
