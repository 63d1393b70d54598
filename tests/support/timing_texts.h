// Timing texts as the collection side writes them from a capture: one 4-digit
// hex duration per mark or space in microseconds, "FEFE" + milliseconds + "EDED"
// after every frame but the last, "EDED" after the last one, or
// "FEFE0014EDED" when the capture held one frame only. The frame count and
// carrier characters are already cut off, as the analysis receives the text.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/timing_markers.h"

namespace orvalin::ircode::test {

struct SignalFrame {
    std::vector<int> durations;  // microseconds: pulses positive, gaps negative
    int gap_after_us = 0;        // silence after the frame
};

inline std::string Hex4(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

// Builds the text of a capture of `frames`. Adjacent durations of the same kind
// reach the receiver as one; a leading gap is not seen and a trailing gap joins
// the silence after the frame. Every measured duration is off by a random factor
// of up to +-jitter.
inline std::string CaptureText(const std::vector<SignalFrame>& frames, std::mt19937& rng,
                               double jitter) {
    std::uniform_real_distribution<double> error(-jitter, jitter);
    auto measure = [&](double us) { return static_cast<unsigned>(us * (1.0 + error(rng))); };
    std::string text;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        std::vector<int> merged;
        for (const int d : frames[f].durations) {
            if (merged.empty() && d < 0) continue;
            if (!merged.empty() && (merged.back() < 0) == (d < 0)) {
                merged.back() += d;
            } else {
                merged.push_back(d);
            }
        }
        double gap = frames[f].gap_after_us;
        if (!merged.empty() && merged.back() < 0) {
            gap -= merged.back();
            merged.pop_back();
        }
        for (const int d : merged) text += Hex4(measure(std::abs(d)));
        if (frames.size() == 1) {
            text += std::string(timing::kGapMark) + std::string(timing::kLoneFrameGap) +
                    std::string(timing::kEndMark);
        } else if (f + 1 == frames.size()) {
            text += timing::kEndMark;
        } else {
            const unsigned gap_us = measure(gap);
            // Shorter silences are ordinary durations, not frame gaps.
            if (gap_us < 32767 / 3) throw std::invalid_argument("gap too short for a frame end");
            text +=
                std::string(timing::kGapMark) + Hex4(gap_us / 1000) + std::string(timing::kEndMark);
        }
    }
    return text;
}

}  // namespace orvalin::ircode::test
