// The lone-frame companion "JVC (1 frame)" learns only a recording of one frame.
// A JVC press with repeat frames whose first gap happens to be 19 to 21 ms (the
// assumed end gap of a lone frame) is the two-frame type's, and replays with its
// repeat frames, so that a held key repeats.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "ircode/analysis.h"
#include "ircode/replay.h"
#include "learning/signal_capture.h"
#include "tests/support/protocol_signals.h"

namespace orvalin::ircode {
namespace {

const std::filesystem::path kCodeInfo =
    std::filesystem::path(ORVALIN_PROGRAM_DIR) / kCodeInfoFileName;

// First gap of a timing text in milliseconds, or -1.
int FirstGapMs(const std::string& timing) {
    const std::size_t at = timing.find("FEFE");
    return at == std::string::npos ? -1 : std::stoi(timing.substr(at + 4, 4), nullptr, 16);
}

TEST(JvcCompanion, PressWithRepeatFramesIsNeverLearnedAsOneFrame) {
    const protocols::Protocol& p = protocols::protocol("JVC");
    std::mt19937 rng(50);
    int near_twenty = 0;
    for (int n = 0; n < 400 && near_twenty < 12; ++n) {
        const auto g =
            protocols::generate(p, protocols::random_parameters(p, rng), 0, 9, rng, 0.02);
        const std::string timing = ir_signals::timing_text_of(g.signal);
        const int gap = FirstGapMs(timing);
        if (gap < 19 || gap > 21) continue;
        ++near_twenty;
        SCOPED_TRACE(timing);
        const AnalysisResult r = analyse(std::string_view(timing).substr(5), 0x21, kCodeInfo);
        EXPECT_EQ(r.type_name, "JVC");
        const auto replayed = replay_table(r.table);
        ASSERT_TRUE(replayed);
        EXPECT_GT(replayed->frames.size(), 1u);
        EXPECT_EQ(protocols::compare_replay(p, g, *replayed), "");
    }
    EXPECT_GE(near_twenty, 4) << "too few presses with a first gap of 19 to 21 ms";
}

TEST(JvcCompanion, LoneFrameIsStillLearnedAndReplaysAsThatFrame) {
    const protocols::Protocol& p = protocols::protocol("JVC");
    std::mt19937 rng(51);
    for (int n = 0; n < 8; ++n) {
        const auto g =
            protocols::generate(p, protocols::random_parameters(p, rng), 0, 1, rng, 0.02);
        const std::string timing = ir_signals::timing_text_of(g.signal);
        SCOPED_TRACE(timing);
        const AnalysisResult r = analyse(std::string_view(timing).substr(5), 0x21, kCodeInfo);
        EXPECT_EQ(r.type_name, "JVC (1 frame)");
        const auto replayed = replay_table(r.table);
        ASSERT_TRUE(replayed);
        // One frame of pulses; what follows it is silence.
        std::vector<int> pulses = flatten(*replayed);
        EXPECT_EQ(pulses.size(), 2u + 2 * 16 + 1) << to_mode2(*replayed);
        EXPECT_EQ(protocols::compare_replay(p, g, *replayed), "");
    }
}

}  // namespace
}  // namespace orvalin::ircode
