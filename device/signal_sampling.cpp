#include "device/signal_sampling.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vorkel {

namespace {

constexpr long kMaxDurationUs = 10'000'000;  // longer than any remote sends
constexpr int kUnitsPerUs = 3;
// The sampler's bias: marks read 174 units long, spaces 174 units short.
constexpr int kMarkBias = 174;
constexpr int kMaxWord = 0x7FFF;
// 20 words of 0x7FFF add up to more than the end-of-signal threshold.
constexpr int kSilenceWords = 20;
constexpr int kMaxCarrierHz = 1'000'000;
constexpr int kMaxCarrierSum = 3 * 255;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool parse_number(std::string_view text, long& value) {
    text = trim(text);
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

void fail(std::string* error, std::string message) {
    if (error != nullptr) *error = std::move(message);
}

void push_word(std::vector<std::uint8_t>& bytes, int word) {
    bytes.push_back(static_cast<std::uint8_t>((word >> 8) & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
}

}  // namespace

std::optional<PulseSignal> parse_mode2(std::string_view text, std::string* error) {
    PulseSignal signal;
    int line_number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++line_number;
        const std::size_t space = line.find_first_of(" \t");
        const std::string_view word = line.substr(0, space);
        if (word != "pulse" && word != "space" && word != "carrier") continue;
        long value = 0;
        if (space == std::string_view::npos || !parse_number(line.substr(space), value) ||
            value < 0) {
            fail(error, "line " + std::to_string(line_number) + ": bad number");
            return std::nullopt;
        }
        if (word == "carrier") {
            if (value > kMaxCarrierHz) {
                fail(error, "line " + std::to_string(line_number) + ": carrier out of range");
                return std::nullopt;
            }
            signal.carrier_hz = static_cast<int>(value);
            continue;
        }
        if (value > kMaxDurationUs) {
            fail(error, "line " + std::to_string(line_number) + ": duration out of range");
            return std::nullopt;
        }
        const bool pulse = word == "pulse";
        if (value == 0) continue;  // adds nothing, and has no sign to tell its kind
        std::vector<int>& d = signal.durations_us;
        if (d.empty() && !pulse) continue;  // a signal starts with its first pulse
        if (!d.empty() && (d.back() > 0) == pulse) {
            const long sum = std::min(std::labs(d.back()) + value, kMaxDurationUs);
            d.back() = static_cast<int>(pulse ? sum : -sum);
        } else {
            d.push_back(static_cast<int>(pulse ? value : -value));
        }
    }
    if (signal.durations_us.empty()) {
        fail(error, "no pulse in the signal");
        return std::nullopt;
    }
    return signal;
}

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

}  // namespace vorkel
