#include "device/sim/demo_signals.h"

#include <cstdint>

namespace vorkel::sim {

namespace {

void mark(std::vector<int>& d, int us) {
    if (!d.empty() && d.back() > 0) {
        d.back() += us;
    } else {
        d.push_back(us);
    }
}

void space(std::vector<int>& d, int us) {
    if (!d.empty() && d.back() < 0) {
        d.back() -= us;
    } else {
        d.push_back(-us);
    }
}

int total(const std::vector<int>& d, std::size_t from) {
    int sum = 0;
    for (std::size_t i = from; i < d.size(); ++i) sum += d[i] > 0 ? d[i] : -d[i];
    return sum;
}

// NEC: 9 ms / 4.5 ms leader, 562 us bits, LSB first, address, ~address,
// command, ~command, stop mark, 108 ms period; ditto repeat 9 ms / 2.25 ms.
PulseSignal nec(std::uint8_t address, std::uint8_t command) {
    constexpr int kUnit = 562;
    constexpr int kPeriod = 108000;
    std::vector<int> d;
    mark(d, 9000);
    space(d, 4500);
    const std::uint8_t bytes[] = {address, static_cast<std::uint8_t>(~address), command,
                                  static_cast<std::uint8_t>(~command)};
    for (const std::uint8_t byte : bytes) {
        for (int bit = 0; bit < 8; ++bit) {
            mark(d, kUnit);
            space(d, (byte >> bit) & 1 ? 3 * kUnit : kUnit);
        }
    }
    mark(d, kUnit);
    space(d, kPeriod - total(d, 0));
    mark(d, 9000);
    space(d, 2250);
    mark(d, kUnit);
    return {d, 38000};
}

// Sony SIRC 12 bits: 2.4 ms header, 600 us spaces, 1200/600 us marks, 7-bit
// command then 5-bit device, LSB first, 45 ms period, sent three times.
PulseSignal sony12(std::uint8_t device, std::uint8_t command) {
    constexpr int kPeriod = 45000;
    std::vector<int> d;
    const unsigned bits = (command & 0x7Fu) | ((device & 0x1Fu) << 7);
    for (int frame = 0; frame < 3; ++frame) {
        const std::size_t start = d.size();
        mark(d, 2400);
        for (int bit = 0; bit < 12; ++bit) {
            space(d, 600);
            mark(d, (bits >> bit) & 1 ? 1200 : 600);
        }
        if (frame < 2) space(d, kPeriod - total(d, start));
    }
    return {d, 40000};
}

// RC5: 14 bi-phase bits of 2 x 889 us, MSB first (two start bits, toggle,
// 5-bit address, 6-bit command); a one is space-then-mark; 114 ms period, twice.
PulseSignal rc5(std::uint8_t address, std::uint8_t command, bool toggle) {
    constexpr int kHalf = 889;
    constexpr int kPeriod = 113792;
    std::vector<int> d;
    const unsigned bits = (1u << 13) | (1u << 12) | (toggle ? 1u << 11 : 0u) |
                          ((address & 0x1Fu) << 6) | (command & 0x3Fu);
    for (int frame = 0; frame < 2; ++frame) {
        const std::size_t start = d.size();
        // The first half of the first start bit is silence: the frame begins with a mark.
        for (int bit = 13; bit >= 0; --bit) {
            if ((bits >> bit) & 1) {
                if (bit != 13) space(d, kHalf);
                mark(d, kHalf);
            } else {
                mark(d, kHalf);
                space(d, kHalf);
            }
        }
        if (frame == 0) space(d, kPeriod - kHalf - total(d, start));
    }
    return {d, 36000};
}

}  // namespace

std::vector<PulseSignal> demo_signals() {
    return {nec(0x20, 0x0A), sony12(0x01, 0x12), rc5(0x05, 0x10, false)};
}

}  // namespace vorkel::sim
