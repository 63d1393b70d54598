#include "signals/sampling.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace orvalin::ir_signals {

namespace {

constexpr int kUnitsPerUs = 3;
// The sampler's bias: marks read 174 units long, spaces 174 units short.
constexpr int kMarkBias = 174;
constexpr int kMaxWord = 0x7FFF;
// 20 words of 0x7FFF add up to more than the end-of-signal threshold.
constexpr int kSilenceWords = 20;
constexpr int kMaxCarrierSum = 3 * 255;

void push_word(std::vector<std::uint8_t>& bytes, int word) {
    bytes.push_back(static_cast<std::uint8_t>((word >> 8) & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
}

}  // namespace

SampledSignal sample_signal(const PulseSignal& signal) {
    // Alternating marks and spaces: zeros dropped, neighbours of one kind joined,
    // leading and trailing spaces melted into the silence around the signal.
    std::vector<long> durations;
    for (const int d : signal.durations_us) {
        if (d == 0) continue;
        const long us = std::min(std::labs(static_cast<long>(d)), kMaxDurationUs);
        const long value = d > 0 ? us : -us;
        if (durations.empty() && value < 0) continue;
        if (!durations.empty() && (durations.back() > 0) == (value > 0)) {
            const long sum = std::min(std::labs(durations.back()) + us, kMaxDurationUs);
            durations.back() = value > 0 ? sum : -sum;
        } else {
            durations.push_back(value);
        }
    }
    while (!durations.empty() && durations.back() < 0) durations.pop_back();

    SampledSignal sampled;
    for (const long d : durations) {
        if (d > 0) {
            long units = std::min<long>(d * kUnitsPerUs + kMarkBias, 2L * kMaxWord);
            if (units > kMaxWord) {
                // A long mark: a "7FFF" word in the mark position, then a mark word with the rest.
                push_word(sampled.bytes, kMaxWord);
                units -= kMaxWord;
            }
            push_word(sampled.bytes, 0x8000 | static_cast<int>(units));
        } else {
            long units = std::max<long>(-d * kUnitsPerUs - kMarkBias, 0);
            // A long space: "7FFF" words, then a space word with the rest.
            while (units >= kMaxWord) {
                push_word(sampled.bytes, kMaxWord);
                units -= kMaxWord;
            }
            push_word(sampled.bytes, static_cast<int>(units));
        }
    }
    if (!durations.empty()) {
        for (int i = 0; i < kSilenceWords; ++i) push_word(sampled.bytes, kMaxWord);
    }
    sampled.status = carrier_bytes(signal.carrier_hz);
    return sampled;
}

std::array<std::uint8_t, 3> carrier_bytes(int carrier_hz) {
    if (carrier_hz <= 0) return {0, 0, 0};
    const long khz = std::max(1L, std::lround(carrier_hz / 1000.0));
    // The converter reads trunc(1000 / (sum / 9)). Aim at the middle of the
    // interval that reads as khz so rounding in the reader cannot tip it over.
    int best_sum = kMaxCarrierSum;
    double best_error = 1e9;
    for (int sum = kMaxCarrierSum; sum >= 3; --sum) {
        const double error = std::abs(9000.0 / sum - (static_cast<double>(khz) + 0.5));
        if (error < best_error) {
            best_error = error;
            best_sum = sum;
        }
    }
    const int b0 = best_sum / 3;
    const int b1 = (best_sum - b0) / 2;
    const int b2 = best_sum - b0 - b1;
    return {static_cast<std::uint8_t>(b0), static_cast<std::uint8_t>(b1),
            static_cast<std::uint8_t>(b2)};
}

}  // namespace orvalin::ir_signals
