// The generic learner on the protocols of the shipped code-type library, taken
// through the capture path: every press is learned and its image replays as sent
// (the same symbols, durations and frame spacing), though no code type is asked.
// Also the reading of timing texts and the grouping of durations.
#include "ircode/generic_learner.h"

#include <gtest/gtest.h>

#include <random>

#include "ircode/captured_frames.h"
#include "ircode/duration_classes.h"
#include "ircode/replay.h"
#include "learning/signal_capture.h"
#include "tests/support/protocol_signals.h"

namespace orvalin::ircode {
namespace {

class GenericLearnerProtocol : public ::testing::TestWithParam<protocols::Protocol> {};

TEST_P(GenericLearnerProtocol, PressesAreLearnedAndReplayAsSent) {
    const protocols::Protocol& p = GetParam();
    std::mt19937 rng(1209);
    for (int n = 0; n < 16; ++n) {
        const auto params = protocols::random_parameters(p, rng);
        const auto g = protocols::generate(p, params, n & 1, p.frames_per_press + n % 2, rng, 0.02);
        const std::string timing = ir_signals::timing_text_of(g.signal);
        SCOPED_TRACE(p.name + " #" + std::to_string(n) + " " + timing);
        ASSERT_GT(timing.size(), 5u);
        const std::optional<GenericCode> code = LearnGeneric(timing, 0x21);
        ASSERT_TRUE(code);
        std::string error;
        const auto replayed = replay_table(code->table, &error);
        ASSERT_TRUE(replayed) << error;
        EXPECT_EQ(protocols::compare_replay(p, g, *replayed), "") << code->shape;
    }
}

INSTANTIATE_TEST_SUITE_P(Protocols, GenericLearnerProtocol,
                         ::testing::ValuesIn(protocols::all_protocols()),
                         [](const ::testing::TestParamInfo<protocols::Protocol>& info) {
                             std::string name;
                             for (const char c : info.param.name) {
                                 if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                             }
                             return name;
                         });

TEST(TimingText, FramesGapsAndCarrier) {
    const auto c = ReadTimingText("22612119408CA0230FEFE0028EDED119408CA0230EDED");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->carrier_khz, 0x26);
    ASSERT_EQ(c->frames.size(), 2u);
    EXPECT_EQ(c->frames[0].durations, (std::vector<int>{0x1194, 0x08CA, 0x0230}));
    EXPECT_EQ(c->frames[0].gap_ms, 0x28);
    EXPECT_EQ(c->frames[1].gap_ms, -1);
    const auto none = ReadTimingText("100000400FEFE0014EDED");
    ASSERT_TRUE(none);
    EXPECT_EQ(none->carrier_khz, 0);
}

TEST(TimingText, RefusesWhatDoesNotParse) {
    for (const char* bad : {
             "", "1261",
             "0261204000FEFE0014EDED",      // no frames counted
             "226120400FEFE0014EDED",       // says two frames, holds one
             "1261204000400",               // no end block
             "126120400FEFE0014",           // gap block without its end
             "126120400EDED0400EDED",       // something after the closing "EDED"
             "1261304000400FEFE0014EDED",   // carrier without "12"
             "1261204x0FEFE0014EDED",       // not hex
             "12612040a0FEFE0014EDED",      // lower case
             "12612FEFE0014EDED",           // a frame without durations
             "1261204000400FEFE0014EDED0",  // a stray digit
         }) {
        EXPECT_FALSE(ReadTimingText(bad)) << bad;
    }
}

TEST(DurationClasses, ReceiverSpreadStaysInOneClass) {
    // NEC's two spaces read +-25 % (as many as a capture holds), and a lead-in:
    // three classes.
    std::vector<int> spaces{4500};
    for (int v = 420; v <= 700; v += 12) spaces.push_back(v);
    for (int v = 1270; v <= 2110; v += 40) spaces.push_back(v);
    const auto nec = GroupDurations(spaces);
    ASSERT_EQ(nec.size(), 3u);
    EXPECT_NEAR(nec[0].value, 560, 10);
    EXPECT_NEAR(nec[1].value, 1690, 20);
    EXPECT_EQ(ClassHolding(nec, 1300), 1);
    EXPECT_EQ(ClassHolding(nec, 900), -1);
    EXPECT_EQ(NearestClass(nec, 3000), 2);
    // A chain of close values does not grow into one class wider than a
    // receiver's spread.
    std::vector<int> chain;
    for (int v = 300; v < 4000; v += 37) chain.push_back(v);
    for (const DurationClass& c : GroupDurations(chain)) EXPECT_LE(c.high, c.low * 1.75);
}

TEST(DurationClasses, NoMemberFarFromItsClassValue) {
    // Many "one" spaces of uPD6121 (1690 us) and one repeat lead space (2250 us)
    // that the spread chains to them: the lead space is a class of its own, not
    // a member 35 % off a 1690 us class.
    std::vector<int> spaces{1360, 1450, 1540, 1850, 1950, 2050, 2150, 2252};
    for (int v = 1560; v <= 1720; v += 10) spaces.push_back(v);
    const auto classes = GroupDurations(spaces);
    for (const DurationClass& c : classes) {
        EXPECT_LE(c.high - c.value, 0.35 * c.value) << c.value;
        EXPECT_LE(c.value - c.low, 0.35 * c.value) << c.value;
    }
    EXPECT_NE(ClassHolding(classes, 2252), ClassHolding(classes, 1700));
}

}  // namespace
}  // namespace orvalin::ircode
