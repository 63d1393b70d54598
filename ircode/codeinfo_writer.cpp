#include "ircode/codeinfo_writer.h"

#include <algorithm>
#include <stdexcept>

#include "ircode/codeinfo_layout.h"

namespace orvalin::ircode {
namespace {

void put_u32(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    at[2] = static_cast<std::uint8_t>(value >> 16);
    at[3] = static_cast<std::uint8_t>(value >> 24);
}

void check_count(std::size_t count, std::size_t maximum, const char* what) {
    if (count > maximum) {
        throw std::invalid_argument(std::string("code type description: too many ") + what);
    }
}

// A count byte followed by its items, in a fixed number of 32-bit slots.
void put_list(std::uint8_t* body, std::size_t count_offset, std::size_t items_offset,
              const std::vector<std::uint32_t>& items) {
    body[count_offset] = static_cast<std::uint8_t>(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) put_u32(body + items_offset + 4 * i, items[i]);
}

}  // namespace

std::vector<std::uint8_t> encode_record(const CodeTypeDescription& d) {
    using namespace layout;
    check_count(d.symbols.size(), kMaxSymbols, "symbols");
    for (const auto& s : d.symbols) check_count(s.size(), kMaxSymbolItems, "symbol durations");
    check_count(d.sequences.size(), kMaxSequences, "sequences");
    for (const auto& s : d.sequences) check_count(s.size(), kMaxSequenceItems, "sequence items");
    check_count(d.frame_order.size(), kMaxFrameOrder, "frame order entries");
    check_count(d.repeat_order.size(), kMaxRepeatOrder, "repeat order entries");

    std::vector<std::uint8_t> record(kRecordSize, 0);
    const std::size_t name_length = std::min(d.name.size(), kRecordNameSize - 1);
    std::copy_n(d.name.begin(), name_length, record.begin());

    std::uint8_t* body = record.data() + kRecordNameSize;
    body[kNoCarrier] = d.no_carrier ? 1 : 0;
    put_u32(body + kCarrierHz, static_cast<std::uint32_t>(d.carrier_hz));
    body[kCarrierCode] = d.carrier_code;
    body[kCarrierDivisor] = d.carrier_divisor;
    body[kSymbolCount] = static_cast<std::uint8_t>(d.symbols.size());
    for (std::size_t k = 0; k < d.symbols.size(); ++k) {
        const std::size_t at = kSymbols + kSymbolStride * k;
        put_list(body, at, at + 4, d.symbols[k]);
    }
    body[kToggleWidth] = d.toggle_width;
    body[kToggleA] = d.toggle_a;
    body[kToggleB] = d.toggle_b;
    body[kSequenceCount] = static_cast<std::uint8_t>(d.sequences.size());
    for (std::size_t j = 0; j < d.sequences.size(); ++j) {
        const std::size_t at = kSequences + kSequenceStride * j;
        put_list(body, at, at + 4, d.sequences[j]);
    }
    put_list(body, kFrameOrderCount, kFrameOrder, d.frame_order);
    body[kRepeatTail] = d.repeat_tail;
    put_list(body, kRepeatOrderCount, kRepeatOrder, d.repeat_order);
    body[kAttrHigh] = d.attr_high;
    body[kAttrByte] = d.attr_byte;
    body[kAttrLow] = d.attr_low;
    return record;
}

std::vector<std::uint8_t> encode_codeinfo_file(const std::vector<CodeTypeDescription>& records) {
    const std::string header = kCodeInfoHeader;
    std::vector<std::uint8_t> file;
    file.reserve(1 + header.size() + records.size() * kRecordSize);
    file.push_back(static_cast<std::uint8_t>(header.size()));
    file.insert(file.end(), header.begin(), header.end());
    for (const auto& description : records) {
        const auto record = encode_record(description);
        file.insert(file.end(), record.begin(), record.end());
    }
    return file;
}

}  // namespace orvalin::ircode
