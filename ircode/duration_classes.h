// Grouping of measured durations into classes: values that a receiver reads from
// one nominal duration (spread by its distortion) fall into one class. Marks and
// spaces are grouped apart by the caller.
#pragma once

#include <vector>

namespace orvalin::ircode {

struct DurationClass {
    int low = 0;    // smallest member, microseconds
    int high = 0;   // largest member
    int value = 0;  // the class's duration: the mean of its members, rounded
    int count = 0;
};

// Classes in ascending order. Sorted values start a new class where a value lies
// more than 12 % and more than 80 us above the one before it, or more than 75 %
// above the class's smallest; a class with a member more than 32 % (and 90 us)
// from its value is split at its widest gap (two nominal durations that the
// spread chained together).
std::vector<DurationClass> GroupDurations(std::vector<int> values);

// Index of the class that holds `value` (between its low and high), or -1.
int ClassHolding(const std::vector<DurationClass>& classes, int value);

// Index of the class whose value is nearest to `value` (relative distance), or -1.
int NearestClass(const std::vector<DurationClass>& classes, int value);

}  // namespace orvalin::ircode
