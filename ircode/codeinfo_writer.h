// Writes code-type records in the binary layout of the code-info file. Used by
// the code-info compiler (tools/) and by the tests' record builder, so that the
// layout is written in one place only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvalin::ircode {

// A 32-bit item: type in bits 31..24, value in bits 23..0.
constexpr std::uint32_t make_item(std::uint8_t type, std::uint32_t value) {
    return (static_cast<std::uint32_t>(type) << 24) | (value & 0xFFFFFFu);
}

// Description of one code type, field by field.
struct CodeTypeDescription {
    std::string name;  // at most 20 bytes are stored (21-byte name area, zero-terminated)
    bool no_carrier = false;
    std::int32_t carrier_hz = 38000;
    std::uint8_t carrier_code = 0;
    std::uint8_t carrier_divisor = 3;
    std::vector<std::vector<std::uint32_t>> symbols;  // at most 4, each at most 6 items
    std::uint8_t toggle_width = 0, toggle_a = 0, toggle_b = 0;
    std::vector<std::vector<std::uint32_t>> sequences;  // at most 6, each at most 32 items
    std::vector<std::uint32_t> frame_order;             // at most 8 entries
    std::uint8_t repeat_tail = 0;
    std::vector<std::uint32_t> repeat_order;  // at most 4 entries
    std::uint8_t attr_high = 0, attr_byte = 0, attr_low = 0;
};

inline constexpr std::size_t kRecordNameSize = 21;
inline constexpr std::size_t kRecordBodySize = 1012;
inline constexpr std::size_t kRecordSize = kRecordNameSize + kRecordBodySize;
inline constexpr const char* kCodeInfoHeader = "Dorvi Quastrelvanomiderrant CodeInfo";

// One 1033-byte record. Throws std::invalid_argument when a count exceeds its maximum.
std::vector<std::uint8_t> encode_record(const CodeTypeDescription& description);
// Header followed by the records, in order.
std::vector<std::uint8_t> encode_codeinfo_file(const std::vector<CodeTypeDescription>& records);

}  // namespace orvalin::ircode
