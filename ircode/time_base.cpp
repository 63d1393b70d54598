#include "ircode/time_base.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "ircode/code_item.h"

namespace orvalin::ircode {
namespace {

// Distance of `value` from the nearest multiple of c, folded at c div 2.
std::int64_t FoldedRest(std::int64_t value, std::int64_t c) {
    std::int64_t r = value % c;
    if (r > c / 2) r = c - r;
    return r;
}

}  // namespace

std::vector<std::int64_t> CollectDurations(const CodeTypeRecord& record) {
    std::vector<std::int64_t> values;
    const int symbols = std::clamp(record.symbol_count(), 0, 4);
    for (int k = 0; k < symbols; ++k) {
        const int count = std::clamp(record.symbol_length(k), 0, 6);
        for (int i = 0; i < count; ++i) {
            values.push_back(DecodeItemForTiming(record.symbol_item(k, i), record));
        }
    }
    const int sequences = std::clamp(record.sequence_count(), 0, 6);
    for (int j = 0; j < sequences; ++j) {
        const int count = std::clamp(record.sequence_length(j), 0, 32);
        for (int i = 0; i < count; ++i) {
            const std::int32_t value = DecodeItemForTiming(record.sequence_item(j, i), record);
            if (value != 0) values.push_back(value);
        }
    }
    return values;
}

std::int64_t ApproxDivisor(std::int64_t a, std::int64_t m) {
    a = std::llabs(a);
    if (m >= a || m <= 0) return a;
    const std::int64_t h = RoundHalfEven(0.02 * static_cast<double>(a));
    for (std::int64_t c = m; c >= 1; --c) {
        if (FoldedRest(a, c) <= h) return c;
    }
    return 1;
}

std::int64_t CommonDivisor(const std::vector<std::int64_t>& values) {
    if (values.empty()) return 1;
    std::int64_t smallest = std::llabs(values.front());
    for (const auto v : values) smallest = std::min<std::int64_t>(smallest, std::llabs(v));
    for (std::int64_t c = std::min<std::int64_t>(255, smallest); c >= 1; --c) {
        const bool all = std::all_of(values.begin(), values.end(), [c](std::int64_t v) {
            const std::int64_t a = std::llabs(v);
            return FoldedRest(a, c) <= RoundHalfEven(0.02 * static_cast<double>(a));
        });
        if (all) return c;
    }
    return 1;
}

std::int64_t CarrierTimeBase(std::int32_t carrier_hz, int carrier_divisor, int clock_khz) {
    if (carrier_hz <= 0 || carrier_divisor <= 0) return 0;
    const double e = 100000.0 / std::clamp(clock_khz, 2000, 8000);  // one tick, in 10 ns
    const std::int64_t f = RoundHalfEven(100000000.0 / carrier_hz);
    const std::int64_t g = RoundHalfEven(static_cast<double>(f) / carrier_divisor / e);
    return RoundHalfEven(e * static_cast<double>(g));
}

std::int64_t PrescalerOf(std::int64_t t) {
    return std::max<std::int64_t>(RoundHalfEven(static_cast<double>(t) * 6000.0 / 100000.0), 1);
}

std::optional<TimeBase> ComputeTimeBase(const CodeTypeRecord& record, int clock_khz) {
    const int k = std::clamp(clock_khz, 2000, 8000);
    TimeBase base;
    base.values = CollectDurations(record);
    if (!record.no_carrier()) {
        if (record.carrier_hz() <= 0 || record.carrier_divisor() == 0) return std::nullopt;
        const std::int64_t f = RoundHalfEven(100000000.0 / record.carrier_hz());
        base.t = CarrierTimeBase(record.carrier_hz(), record.carrier_divisor(), clock_khz);
        if (base.t <= 0) return std::nullopt;
        int n = record.carrier_divisor();
        while (n > 1) {
            const std::int64_t step = n * base.t;
            const bool off = std::any_of(base.values.begin(), base.values.end(), [&](auto x) {
                std::int64_t r = std::llabs(x) % step;
                if (r > f / 2) r = step - r;
                return 0.02 * static_cast<double>(std::llabs(x)) < static_cast<double>(r);
            });
            if (!off) break;
            --n;
        }
        base.multiplier = n;
        const std::int64_t step = n * base.t;
        for (auto& x : base.values) {
            x = n * RoundHalfEven(static_cast<double>(x) / static_cast<double>(step));
        }
    } else {
        std::int64_t d = 100;
        if (!base.values.empty()) {
            d = 0;
            for (const auto x : base.values) d = std::gcd(d, std::llabs(x));
            d = ApproxDivisor(d, d / 2);
        }
        base.t = ApproxDivisor(d, 25400000 / k);
        if (base.t <= 0) return std::nullopt;
        for (auto& x : base.values) {
            x = RoundHalfEven(static_cast<double>(x) / static_cast<double>(base.t));
        }
    }
    base.prescaler = PrescalerOf(base.t);
    base.divisor = std::max<std::int64_t>(2, CommonDivisor(base.values));
    return base;
}

}  // namespace orvalin::ircode
