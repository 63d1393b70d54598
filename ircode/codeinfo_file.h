// The code-info file: a header text followed by fixed-size code-type records.
// Each record keeps its 1012-byte body as read; the accessors below read its
// fields by offset and never look outside the body, whatever the file holds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "ircode/codeinfo_layout.h"
#include "ircode/codeinfo_writer.h"

namespace orvalin::ircode {

// One 32-bit item of a record: type in bits 31..24, value in bits 23..0.
using CodeItem = std::uint32_t;

struct CodeTypeRecord {
    std::array<std::uint8_t, kRecordNameSize> name{};
    std::array<std::uint8_t, kRecordBodySize> body{};
    std::array<std::uint32_t, 2> reserved{};

    // The name area up to its first zero byte.
    std::string name_text() const;

    // Raw body access: 0 for any byte outside the body.
    std::uint8_t byte_at(std::size_t offset) const {
        return offset < body.size() ? body[offset] : 0;
    }
    std::uint32_t u32_at(std::size_t offset) const;

    bool no_carrier() const { return body[layout::kNoCarrier] != 0; }
    std::int32_t carrier_hz() const {
        return static_cast<std::int32_t>(u32_at(layout::kCarrierHz));
    }
    std::uint8_t carrier_code() const { return body[layout::kCarrierCode]; }
    std::uint8_t carrier_divisor() const { return body[layout::kCarrierDivisor]; }

    // Counts exactly as stored (a malformed file may hold any value: see IsWellFormed).
    int symbol_count() const { return body[layout::kSymbolCount]; }
    int symbol_length(int k) const;  // 0 for k outside 0..3
    int sequence_count() const { return body[layout::kSequenceCount]; }
    int sequence_length(int j) const;  // 0 for j outside 0..5
    int frame_order_count() const { return body[layout::kFrameOrderCount]; }
    int repeat_tail() const { return body[layout::kRepeatTail]; }
    int repeat_order_count() const { return body[layout::kRepeatOrderCount]; }

    // Items by index; 0 for any index outside the slots of the body.
    CodeItem symbol_item(int k, int i) const;
    CodeItem sequence_item(int j, int i) const;
    CodeItem frame_order_entry(int i) const;
    CodeItem repeat_order_entry(int i) const;

    std::uint8_t toggle_width() const { return body[layout::kToggleWidth]; }
    std::uint8_t toggle_a() const { return body[layout::kToggleA]; }
    std::uint8_t toggle_b() const { return body[layout::kToggleB]; }
    std::uint8_t attr_high() const { return body[layout::kAttrHigh]; }
    std::uint8_t attr_byte() const { return body[layout::kAttrByte]; }
    std::uint8_t attr_low() const { return body[layout::kAttrLow]; }
};

// Largest code-info file read; a bigger one is refused rather than read into memory.
inline constexpr std::uintmax_t kMaxCodeInfoFileSize = 32u * 1024u * 1024u;

// Reads the whole file. True when it exists, its header matches and the records
// were read to its end (possibly none). False for a missing, unreadable, too big
// file or a wrong header; `records` is then empty. Never throws.
bool LoadCodeInfo(const std::filesystem::path& path, std::vector<CodeTypeRecord>& records);

// The same on file contents already in memory.
bool ParseCodeInfo(std::span<const std::uint8_t> bytes, std::vector<CodeTypeRecord>& records);

// True when every count is within its maximum (symbols 4 of 6 durations, sequences 6
// of 32 items, frame order 8, repeat order 4, repeat tail at most the frame order)
// and every frame and repeat order entry names a sequence the record holds.
// Records that fail this are never tried by the analysis.
bool IsWellFormed(const CodeTypeRecord& record);

}  // namespace orvalin::ircode
