#include "ircode/code_item.h"

#include <cmath>
#include <limits>

namespace orvalin::ircode {
namespace {

std::int32_t Saturate32(std::int64_t value) {
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::int64_t RoundHalfEven(double value) {
    constexpr double kLimit = 9.0e18;
    if (std::isnan(value)) return 0;
    if (value >= kLimit) return static_cast<std::int64_t>(kLimit);
    if (value <= -kLimit) return -static_cast<std::int64_t>(kLimit);
    const double floor = std::floor(value);
    const double rest = value - floor;
    auto result = static_cast<std::int64_t>(floor);
    if (rest > 0.5 || (rest == 0.5 && (result % 2) != 0)) ++result;
    return result;
}

double CarrierPeriodUs(const CodeTypeRecord& record) {
    if (record.no_carrier() || record.carrier_hz() <= 0) return 0.0;
    return 1000000.0 / static_cast<double>(record.carrier_hz());
}

std::int32_t DecodeItem(CodeItem item, const CodeTypeRecord& record) {
    const std::int64_t v = ItemValue(item);
    switch (ItemType(item)) {
        case item_type::kGapHundredths:
            return Saturate32(-v);
        case item_type::kGapTens:
            return Saturate32(-v * 1000);
        case item_type::kGapCarrier:
            return Saturate32(-RoundHalfEven(static_cast<double>(v) * CarrierPeriodUs(record)));
        case item_type::kPulseHundredths:
            return Saturate32(v);
        case item_type::kPulseTens:
            return Saturate32(v * 1000);
        case item_type::kPulseCarrier:
            return Saturate32(RoundHalfEven(static_cast<double>(v) * CarrierPeriodUs(record)));
        case item_type::kSetADefine:
        case item_type::kSetARefer1:
        case item_type::kSetARefer2:
        case item_type::kSetBDefine:
        case item_type::kSetBRefer1:
        case item_type::kSetBRefer2:
        case item_type::kDataField:
        case item_type::kGapEntry:
        case item_type::kPeriodEntry:
        case item_type::kNoRole:
            return static_cast<std::int32_t>(v);
        default:
            return 0;  // the toggle and types without a role
    }
}

std::int32_t DecodeItemForTiming(CodeItem item, const CodeTypeRecord& record) {
    if (IsDuration(item)) return DecodeItem(item, record);
    const auto type = ItemType(item);
    if (type == item_type::kGapEntry || type == item_type::kPeriodEntry) {
        return static_cast<std::int32_t>(ItemValue(item));
    }
    return 0;
}

}  // namespace orvalin::ircode
