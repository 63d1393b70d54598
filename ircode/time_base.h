// Timer set-up of a code type: the durations it uses, the time base T and its
// multiplier, the prescaler P and the divisor D, so that every duration is close
// to a whole number of units U = P x D ticks of the 6000 kHz device clock.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ircode/codeinfo_file.h"

namespace orvalin::ircode {

inline constexpr int kTimeBaseTarget = 6000;  // device timer clock in kHz

// The symbols' durations (zeros included), then the sequences' non-zero ones, by
// rule D2: signed, hundredths of a microsecond.
std::vector<std::int64_t> CollectDurations(const CodeTypeRecord& record);

// Largest c <= m that divides |a| within 2 % of |a|; |a| when m >= |a| or m <= 0;
// 1 when none does.
std::int64_t ApproxDivisor(std::int64_t a, std::int64_t m);

// Largest c <= min(255, smallest |value|) that divides every value within 2 % of
// it; 1 when none does or the list is empty.
std::int64_t CommonDivisor(const std::vector<std::int64_t>& values);

struct TimeBase {
    std::int64_t t = 0;                // time base, units of 10 ns
    int multiplier = 1;                // with carrier: the multiplier n kept by the search
    std::vector<std::int64_t> values;  // the durations in units of T
    std::int64_t prescaler = 1;        // P
    std::int64_t divisor = 2;          // D
};

// Time base T (units of 10 ns) of a carrier of `carrier_hz` with its divisor:
// one carrier period split into `carrier_divisor` parts, rounded to whole ticks of
// the clock. 0 when the carrier or the divisor is not positive.
std::int64_t CarrierTimeBase(std::int32_t carrier_hz, int carrier_divisor,
                             int clock_khz = kTimeBaseTarget);

// Prescaler P of a time base T (10 ns): T in ticks of the 6000 kHz clock, at least 1.
std::int64_t PrescalerOf(std::int64_t t);

// Nothing when the record gives no usable time base (a carrier record without a
// positive frequency or carrier divisor, or a time base of 0).
std::optional<TimeBase> ComputeTimeBase(const CodeTypeRecord& record,
                                        int clock_khz = kTimeBaseTarget);

}  // namespace orvalin::ircode
