// The protocol tables that parsed signals are rendered with: every press is well
// formed (symbols that exist, frames that fit their period, durations on the
// protocol's unit), names are unique and found, and one NEC frame is spelled out.
#include "signals/protocols.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvalin::protocols {
namespace {

long length_of(const std::vector<int>& durations) {
    long sum = 0;
    for (const int d : durations) sum += std::labs(d);
    return sum;
}

// Within 3 % of a whole number of chips.
bool on_unit(int duration, double chip) {
    const double chips = std::abs(duration) / chip;
    return std::abs(chips - std::round(chips)) <= 0.03 * std::round(chips) && chips >= 0.97;
}

TEST(ProtocolTables, EveryPressIsWellFormed) {
    for (const Protocol& p : all_protocols()) {
        SCOPED_TRACE(p.name);
        EXPECT_FALSE(p.types.empty());
        EXPECT_GT(p.chip_us, 0);
        for (const auto& symbol : p.symbols) {
            for (const int d : symbol) EXPECT_TRUE(on_unit(d, p.chip_us)) << d;
        }
        const std::vector<std::vector<unsigned>> parameter_sets{
            std::vector<unsigned>(p.parameter_limits.size(), 0), p.parameter_limits};
        for (const auto& parameters : parameter_sets) {
            for (const int toggle : {0, 1}) {
                const std::vector<Frame> frames = p.press(parameters, toggle, p.frames_per_press);
                ASSERT_EQ(frames.size(), static_cast<std::size_t>(p.frames_per_press));
                for (const Frame& f : frames) {
                    for (const Token& t : f.tokens) {
                        if (t.kind == Token::literal) {
                            EXPECT_TRUE(on_unit(t.value, p.chip_us)) << t.value;
                        } else {
                            ASSERT_GE(t.value, 0);
                            ASSERT_LT(static_cast<std::size_t>(t.value), p.symbols.size());
                        }
                    }
                    const std::vector<int> durations = expand(p, f.tokens);
                    ASSERT_FALSE(durations.empty());
                    for (std::size_t i = 1; i < durations.size(); ++i) {
                        EXPECT_NE(durations[i] > 0, durations[i - 1] > 0) << "not joined at " << i;
                    }
                    if (f.period) {
                        EXPECT_LT(length_of(durations), f.time_us);
                    } else {
                        EXPECT_GE(f.time_us, p.split_gap_us);
                    }
                }
            }
        }
    }
}

TEST(ProtocolTables, NamesAreUniqueAndFound) {
    std::set<std::string> names;
    for (const Protocol& p : all_protocols()) {
        EXPECT_TRUE(names.insert(p.name).second) << p.name;
        EXPECT_EQ(&protocol(p.name), &p);
    }
    EXPECT_THROW(protocol("no such protocol"), std::invalid_argument);
}

TEST(ProtocolTables, NecFrameIsSpelledOutLeastSignificantBitFirst) {
    const Protocol& nec = protocol("NEC1");
    const std::vector<Frame> frames = nec.press({0x04, 0, 0x08}, 0, 2);
    const std::vector<int> first = expand(nec, frames.at(0).tokens);
    ASSERT_EQ(first.size(), 2u + 64u + 1u);
    EXPECT_EQ(first[0], 9024);
    EXPECT_EQ(first[1], -4512);
    // Address 0x04: bit 2 is the only one; its space is the long one.
    for (int bit = 0; bit < 8; ++bit) EXPECT_EQ(first[2 + 2 * bit + 1], bit == 2 ? -1692 : -564);
    // D, ~D, F, ~F: sixteen ones and sixteen zeros whatever the values.
    EXPECT_EQ(length_of(first), 9024 + 4512 + 16 * (564 + 564) + 16 * (564 + 1692) + 564);
    EXPECT_EQ(frames.at(0).time_us, 108000);
    EXPECT_EQ(expand(nec, frames.at(1).tokens), (std::vector<int>{9024, -2256, 564}));
}

}  // namespace
}  // namespace orvalin::protocols
