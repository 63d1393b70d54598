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
// No member lies farther than this from its class's value (a receiver takes
// 35 %; the margin leaves room for the replay's rounding): a class that would
// hold one is split at its widest gap.
constexpr double kMemberTolerance = 0.32;
constexpr int kMemberSlackUs = 90;

DurationClass ClassOf(const std::vector<int>& sorted, std::size_t begin, std::size_t end) {
    std::int64_t sum = 0;
    for (std::size_t i = begin; i < end; ++i) sum += sorted[i];
    const auto count = static_cast<int>(end - begin);
    return {sorted[begin], sorted[end - 1],
            static_cast<int>(std::llround(static_cast<double>(sum) / count)), count};
}

bool Holds(const DurationClass& c) {
    const double allowed = std::max(kMemberTolerance * c.value, double{kMemberSlackUs});
    return c.value - c.low <= allowed && c.high - c.value <= allowed;
}

// The class of sorted[begin, end), split at its widest gaps until every member
// lies near its class's value.
void AppendSplit(const std::vector<int>& sorted, std::size_t begin, std::size_t end,
                 std::vector<DurationClass>& out) {
    const DurationClass whole = ClassOf(sorted, begin, end);
    if (end - begin < 2 || Holds(whole)) {
        out.push_back(whole);
        return;
    }
    std::size_t cut = begin + 1;
    double widest = 0;
    for (std::size_t i = begin + 1; i < end; ++i) {
        const double gap = static_cast<double>(sorted[i]) / std::max(1, sorted[i - 1]);
        if (gap > widest) {
            widest = gap;
            cut = i;
        }
    }
    AppendSplit(sorted, begin, cut, out);
    AppendSplit(sorted, cut, end, out);
}

}  // namespace

std::vector<DurationClass> GroupDurations(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    std::vector<DurationClass> classes;
    std::size_t begin = 0;
    for (std::size_t i = 1; i <= values.size(); ++i) {
        const bool new_class =
            i == values.size() ||
            (values[i] > values[i - 1] * kClassStep && values[i] - values[i - 1] > kClassStepUs) ||
            values[i] > values[begin] * kClassSpan;
        if (new_class) {
            AppendSplit(values, begin, i, classes);
            begin = i;
        }
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
