// Comparison of rendered signals for the format tests: same number of pulses and
// spaces, each within a relative tolerance plus the format's resolution.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "signals/formats/code_signal.h"

namespace orvalin::formats::test {

inline std::string read_fixture(const std::string& name) {
    const std::string path = std::string(ORVALIN_TEST_DATA_DIR) + "/formats/" + name;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return {};
    std::string text;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

// Empty when the durations agree, else the first difference.
inline std::string compare_durations(const std::vector<int>& got, const std::vector<int>& want,
                                     double relative, int absolute_us) {
    if (got.size() != want.size()) {
        return "durations differ in number: " + std::to_string(got.size()) + " against " +
               std::to_string(want.size());
    }
    for (std::size_t i = 0; i < got.size(); ++i) {
        if ((got[i] > 0) != (want[i] > 0)) return "duration " + std::to_string(i) + " changes kind";
        const double allowed = relative * std::abs(want[i]) + absolute_us;
        if (std::abs(got[i] - want[i]) > allowed) {
            return "duration " + std::to_string(i) + " is " + std::to_string(got[i]) +
                   ", expected " + std::to_string(want[i]);
        }
    }
    return {};
}

// Frames: runs of pulses and spaces split at silences of 10 ms or more.
inline std::size_t frame_count(const std::vector<int>& durations) {
    std::size_t frames = durations.empty() ? 0 : 1;
    for (std::size_t i = 0; i + 1 < durations.size(); ++i) {
        if (durations[i] <= -10000) ++frames;
    }
    return frames;
}

}  // namespace orvalin::formats::test
