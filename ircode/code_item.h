// The tagged 32-bit items of a code-type record: their types, the two decoding
// rules and the type predicates used by the pattern builder, the matchers and
// the encoders.
#pragma once

#include <cstdint>

#include "ircode/codeinfo_file.h"

namespace orvalin::ircode {

namespace item_type {
inline constexpr std::uint8_t kGapHundredths = 0x00;
inline constexpr std::uint8_t kGapTens = 0x01;
inline constexpr std::uint8_t kGapCarrier = 0x02;
inline constexpr std::uint8_t kPulseHundredths = 0x04;
inline constexpr std::uint8_t kPulseTens = 0x05;
inline constexpr std::uint8_t kPulseCarrier = 0x06;
inline constexpr std::uint8_t kSetADefine = 0x08;
inline constexpr std::uint8_t kSetARefer1 = 0x09;
inline constexpr std::uint8_t kSetARefer2 = 0x0A;
inline constexpr std::uint8_t kToggle = 0x0B;
inline constexpr std::uint8_t kSetBDefine = 0x0C;
inline constexpr std::uint8_t kSetBRefer1 = 0x0D;
inline constexpr std::uint8_t kSetBRefer2 = 0x0E;
inline constexpr std::uint8_t kDataField = 0x0F;
inline constexpr std::uint8_t kGapEntry = 0x10;
inline constexpr std::uint8_t kPeriodEntry = 0x19;
inline constexpr std::uint8_t kNoRole = 0x1D;
}  // namespace item_type

constexpr std::uint8_t ItemType(CodeItem item) {
    return static_cast<std::uint8_t>(item >> 24);
}
constexpr std::uint32_t ItemValue(CodeItem item) {
    return item & 0xFFFFFFu;
}

// Frame and repeat order entries: sequence number in bits 23..20, time in units of
// 10 microseconds in bits 19..0.
constexpr int EntrySequence(CodeItem entry) {
    return static_cast<int>(ItemValue(entry) >> 20);
}
constexpr std::uint32_t EntryTime(CodeItem entry) {
    return ItemValue(entry) & 0xFFFFFu;
}

// Rounds to the nearest integer, halves to even, whatever the floating-point
// rounding mode. Values beyond the 64-bit range saturate.
std::int64_t RoundHalfEven(double value);

// Carrier period in microseconds; 0 without carrier or with no positive frequency.
double CarrierPeriodUs(const CodeTypeRecord& record);

// Rule D1: durations signed in hundredths of a microsecond (gaps negative), the
// value for field and entry types, 0 for the rest. Results beyond the 32-bit range
// saturate instead of wrapping.
std::int32_t DecodeItem(CodeItem item, const CodeTypeRecord& record);

// Rule D2: as D1 for durations, the value for frame order entry types (0x10, 0x19),
// 0 for every other type.
std::int32_t DecodeItemForTiming(CodeItem item, const CodeTypeRecord& record);

constexpr bool IsDuration(CodeItem item) {
    const auto t = ItemType(item);
    return t <= 0x02 || (t >= 0x04 && t <= 0x06);
}
constexpr bool IsToggle(CodeItem item) {
    return ItemType(item) == item_type::kToggle;
}
constexpr bool IsSetA(CodeItem item) {
    const auto t = ItemType(item);
    return t >= item_type::kSetADefine && t <= item_type::kSetARefer2;
}
constexpr bool IsSetADefine(CodeItem item) {
    return ItemType(item) == item_type::kSetADefine;
}
constexpr bool IsSetBDefine(CodeItem item) {
    return ItemType(item) == item_type::kSetBDefine;
}
constexpr bool IsDataField(CodeItem item) {
    return ItemType(item) == item_type::kDataField;
}
constexpr bool IsPeriodEntry(CodeItem item) {
    return ItemType(item) == item_type::kPeriodEntry;
}

}  // namespace orvalin::ircode
