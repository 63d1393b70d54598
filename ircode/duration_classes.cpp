#include "ircode/duration_classes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace orvalin::ircode {
namespace {

constexpr double kClassStep = 1.12;
constexpr int kClassStepUs = 80;
// A class spans at most this ratio (a receiver's +-25 % around one duration), so
// that closely spaced durations do not chain into one class.
constexpr double kClassSpan = 1.75;

}  // namespace

std::vector<DurationClass> GroupDurations(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    std::vector<DurationClass> classes;
    std::int64_t sum = 0;
    for (const int v : values) {
        const bool new_class =
            classes.empty() ||
            (v > classes.back().high * kClassStep && v - classes.back().high > kClassStepUs) ||
            v > classes.back().low * kClassSpan;
        if (new_class) {
            if (!classes.empty()) {
                classes.back().value =
                    static_cast<int>(std::llround(static_cast<double>(sum) / classes.back().count));
            }
            classes.push_back({v, v, v, 0});
            sum = 0;
        }
        classes.back().high = v;
        ++classes.back().count;
        sum += v;
    }
    if (!classes.empty()) {
        classes.back().value =
            static_cast<int>(std::llround(static_cast<double>(sum) / classes.back().count));
    }
    return classes;
}

int ClassHolding(const std::vector<DurationClass>& classes, int value) {
    for (std::size_t i = 0; i < classes.size(); ++i) {
        if (value >= classes[i].low && value <= classes[i].high) return static_cast<int>(i);
    }
    return -1;
}

int NearestClass(const std::vector<DurationClass>& classes, int value) {
    int best = -1;
    double best_distance = 0;
    for (std::size_t i = 0; i < classes.size(); ++i) {
        const double c = std::max(1, classes[i].value);
        const double distance = std::abs(std::log(std::max(1, value) / c));
        if (best < 0 || distance < best_distance) {
            best = static_cast<int>(i);
            best_distance = distance;
        }
    }
    return best;
}

}  // namespace orvalin::ircode
