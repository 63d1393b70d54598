// Three example code types described through the record builder, with signal
// generators for them: a pulse-distance code (NEC-like), a pulse-width code
// (Sony-like) and a bi-phase code (RC5-like).
#pragma once

#include <vector>

#include "tests/support/record_builder.h"
#include "tests/support/timing_texts.h"

namespace orvalin::ircode::test {

// 38 kHz, lead-in 9000/4500, 32 bits of 560/560 (0) or 560/1690 (1), trailing
// pulse, 108 ms period; repeat frame 9000/2250/560.
inline CodeTypeDescription NecLike(const std::string& name = "NEC-like") {
    return RecordBuilder(name)
        .Carrier(38000, 5, 3)
        .Symbol({Pulse(560), Gap(560)})
        .Symbol({Pulse(560), Gap(1690)})
        .Sequence({Pulse(9000), Gap(4500), Data(8), Data(8), Data(8), Data(8), Pulse(560)})
        .Sequence({Pulse(9000), Gap(2250), Pulse(560)})
        .FrameOrder({Period(0, 10800)}, 1)
        .RepeatOrder({Period(1, 10800)})
        .Attributes(0x1, 0x22, 0x3);
}

inline SignalFrame NecFrame(const std::vector<int>& bits) {
    SignalFrame frame{{9000, -4500}, 0};
    for (const int bit : bits) {
        frame.durations.push_back(560);
        frame.durations.push_back(bit ? -1690 : -560);
    }
    frame.durations.push_back(560);
    int length = 0;
    for (const int d : frame.durations) length += d < 0 ? -d : d;
    frame.gap_after_us = 108000 - length;
    return frame;
}

inline SignalFrame NecRepeatFrame() {
    return {{9000, -2250, 560}, 108000 - 11810};
}

// 40 kHz, lead-in 2400/600, 12 bits of 600/600 (0) or 1200/600 (1), 45 ms period.
inline CodeTypeDescription SonyLike(const std::string& name = "Sony-like") {
    return RecordBuilder(name)
        .Carrier(40000, 6, 3)
        .Symbol({Pulse(600), Gap(600)})
        .Symbol({Pulse(1200), Gap(600)})
        .Sequence({Pulse(2400), Gap(600), Data(7), Data(5)})
        .FrameOrder({Period(0, 4500)}, 1);
}

inline SignalFrame SonyFrame(const std::vector<int>& bits) {
    SignalFrame frame{{2400, -600}, 0};
    for (const int bit : bits) {
        frame.durations.push_back(bit ? 1200 : 600);
        frame.durations.push_back(-600);
    }
    int length = 0;
    for (const int d : frame.durations) length += d < 0 ? -d : d;
    frame.gap_after_us = 45000 - length;
    return frame;
}

// 36 kHz bi-phase, halves of 889 us: u = gap then pulse (bit 1), v = pulse then gap
// (bit 0). 14 bits: two start bits, toggle, 5 address and 6 command bits.
inline CodeTypeDescription Rc5Like(const std::string& name = "RC5-like") {
    return RecordBuilder(name)
        .Carrier(36000, 4, 3)
        .Symbol({Gap(889), Pulse(889)})
        .Symbol({Pulse(889), Gap(889)})
        .Sequence({Data(2), Toggle(), Data(5), Data(6)})
        .ToggleValues(1, 0, 1)
        .FrameOrder({Period(0, 11378)}, 1);
}

inline SignalFrame Rc5Frame(const std::vector<int>& bits) {
    SignalFrame frame;
    for (const int bit : bits) {
        frame.durations.push_back(bit ? -889 : 889);
        frame.durations.push_back(bit ? 889 : -889);
    }
    frame.gap_after_us = 113778 - 14 * 1778;
    return frame;
}

// Four symbols in steps of 500 us (the quaternary encoder), a toggle of width 1 and
// a repeat frame whose field default 0x00A5 gives six "u".
inline CodeTypeDescription QuaternaryLike(const std::string& name = "quaternary") {
    return RecordBuilder(name)
        .Carrier(40000, 2, 1)
        .Symbol({Pulse(500), Gap(500)})
        .Symbol({Pulse(500), Gap(1000)})
        .Symbol({Pulse(500), Gap(1500)})
        .Symbol({Pulse(500), Gap(2000)})
        .Sequence({Pulse(3000), Gap(1500), Data(4), Toggle(), Pulse(500)})
        .Sequence({Pulse(3000), Gap(3000), Data(8, 0x00A5), Toggle()})
        .FrameOrder({Period(0, 5000)}, 1)
        .RepeatOrder({Period(1, 5000)})
        .ToggleValues(1, 3, 2);
}

}  // namespace orvalin::ircode::test
