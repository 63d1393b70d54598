// Encoding of a recognised code type as code-type data: a one-key table whose
// type piece is the timing block (timer set-up, frame order, symbol timing) and
// whose key piece is the frame data (per sequence, its items with the data bits
// taken from the matched text, and the repeat frame).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ircode/codeinfo_file.h"
#include "ircode/pattern_builder.h"
#include "ircode/symbol_table.h"

namespace orvalin::ircode {

// Longest type or key piece that the code table keeps.
inline constexpr std::size_t kMaxPieceBytes = 127;

// The code-type data text (upper-case hex), or nothing when the code type does not
// fit the image: a value above 255 in a one-byte place, a piece over 127 bytes, a
// key number outside 0..255, a variable number outside the tables or no usable
// time base. `variables` are the set A and B tables as the pattern builder left
// them; `symbols` the record's symbol table.
std::optional<std::string> EncodeCodeType(const CodeTypeRecord& record,
                                          std::string_view matched_text, std::int32_t key_number,
                                          const VariableTables& variables,
                                          const SymbolTable& symbols);

// One T1 entry: the time in units of P ticks, a start-to-start period or the gap
// after the frame, and the sequence it plays.
struct OrderTime {
    std::int64_t time = 0;
    bool period = false;
    int sequence = 0;
};

// Everything the image is written from. Bytes are kept as ints; WriteImage checks
// that each fits one.
struct ImageParts {
    std::int64_t prescaler = 1;  // P
    int carrier_byte = 0x80;
    std::int64_t divisor = 2;  // D
    int attributes = 0;        // attrHigh x 16 + attrLow
    int attr_byte = 0;
    int sequence_count = 1;
    int repeat_tail = 0;
    std::vector<OrderTime> frame_order;   // entries 1.. (the first frame has none)
    std::vector<OrderTime> repeat_order;  // repeat order entries
    // T2: per symbol its duration bytes (the count byte is added).
    std::vector<std::vector<int>> symbols;
    // F: per block its count byte and items; the offset table is added.
    std::vector<std::vector<int>> blocks;
};

// The one-key table H + B + F as upper-case hex text, or nothing when a value
// leaves its byte, a piece is over 127 bytes or the key number is outside 0..255.
std::optional<std::string> WriteImage(const ImageParts& parts, std::int32_t key_number);

// The pieces, open to tests and to the replay. Values that may leave a byte are
// kept as ints; the caller checks them.

// A packed field: header byte (0x4F + n quaternary, 0x3F + n binary), then the
// letters packed from bit 7 down (2 bits each, at most 4; or 1 bit each, at most 8).
void AppendPackedField(std::vector<int>& out, std::string_view letters, int n, bool quaternary);

// A sequence-block duration of `units` units (at least 1): 0xBF / 0xFF per 64
// units beyond the first 64, then 0x80 + n or 0xC0 + n. Returns the number of
// extra bytes written.
int AppendSplitDuration(std::vector<int>& out, std::int64_t units, bool gap);

// One-byte duration of `units` units (T2, the repeat block): 127 + n for a gap,
// 191 + n for a pulse; 256 when it leaves the byte.
int UnitDurationByte(std::int64_t units, bool gap);

// Letters of a repeat-block data field: its default value read as n hexadecimal
// digits, digits 0..3 (binary: 0..1) giving u, v, w, x; other digits no letter.
std::string DefaultFieldLetters(std::uint32_t field_value, bool quaternary);

// Toggle byte from the two toggle values.
int ToggleByte(int toggle_a, int toggle_b);

}  // namespace orvalin::ircode
