// Frame matching: the timing check of a separator, the lead-in strip, the
// tolerance windows of the matchers, the compare and the frame loop.
#include "ircode/frame_matching.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ircode/analysis.h"
#include "ircode/codeinfo_file.h"
#include "ircode/matchers.h"
#include "ircode/pattern_builder.h"
#include "tests/support/code_types.h"

namespace orvalin::ircode::test {
namespace {

SymbolTable NecSymbols() {
    return BuildSymbolTable(ToRecord(NecLike()));
}

TEST(TimingCheck, SeparatorAgainstFrame) {
    struct Case {
        const char* separator;
        const char* frame;
        bool passes;
    };
    const std::vector<Case> cases = {
        {"t0028", "0230FEFE002CEDED", false},  // 44 ms is not below 44.0
        {"t0028", "0230FEFE002BEDED", true},   // 43 ms
        {"t0028", "0230FEFE0024EDED", false},  // 36 ms is not above 36.0
        {"t0028", "0230FEFE0025EDED", true},
        {"t0014", "0230FEFE0014EDED", true},  // the 20 ms of a lone frame
        {"t0028", "0230EDED", false},         // no gap to check
        // a 254 us pulse ("00FE") before the gap block: the gap is read at a word boundary
        {"t0028", "00FEFEFE0028EDED", true},
        {"t0014", "00FEFEFE0028EDED", false},
        // period: 9000 + 4500 + 560 + 1000 x 0x5A (90 ms) = 104060 us against 100 ms
        {"h0064", "232811940230FEFE005AEDED", true},
        {"h005E", "232811940230FEFE005AEDED", false},  // 94 ms: 103400 is the upper bound
        {"h005F", "232811940230FEFE005AEDED", true},
        {"h0064", "2328FEFE0050EDED", false},  // 89000 us is below 90000
    };
    for (const auto& c : cases) {
        const auto result = TimingCheck(c.separator, c.frame);
        ASSERT_TRUE(result.has_value()) << c.separator << " " << c.frame;
        EXPECT_EQ(*result, c.passes) << c.separator << " " << c.frame;
    }
    EXPECT_FALSE(TimingCheck("t0028", "0230FEFE00G1EDED").has_value());
}

TEST(LeadInStrip, WindowsAndExcessOfTheLastDuration) {
    struct Case {
        const char* frame;
        const char* rest;  // empty: the lead-in does not fit
    };
    const std::string lead_in = "23281194";  // 9000, 4500
    const std::vector<Case> cases = {
        {"1C2111940230EDED", "0230EDED"},      // 7201 us
        {"1C2011940230EDED", ""},              // 7200 us
        {"2A2F11940230EDED", "0230EDED"},      // 10799 us
        {"2A3011940230EDED", ""},              // 10800 us
        {"2A3111940230EDED", ""},              // a longer first duration is not split
        {"2328125C0230EDED", "0230EDED"},      // last gap 4700 us: inside the window
        {"232817700230EDED", "05DC0230EDED"},  // 6000 us: 1500 us stay as a duration
        {"23280BB80230EDED", ""},              // 3000 us: too short
        {"23", ""},                            // 35 us
    };
    for (const auto& c : cases) {
        const auto rest = StripLeadIn(lead_in, c.frame);
        ASSERT_TRUE(rest.has_value()) << c.frame;
        EXPECT_EQ(*rest, c.rest) << c.frame;
    }
    EXPECT_EQ(StripLeadIn("", "0230EDED"), "0230EDED");
    EXPECT_FALSE(StripLeadIn(lead_in, "").has_value());  // nothing to convert
}

TEST(Matchers, ToleranceWindows) {
    struct Case {
        Matcher matcher;
        std::int32_t nominal;
        std::int64_t low;
        std::int64_t high;
    };
    const std::vector<Case> cases = {
        {Matcher::kM1, 560, 364, 756},    {Matcher::kM2, 560, 336, 784},
        {Matcher::kM3, -560, 336, 784},   {Matcher::kM4, 560, 336, 784},
        {Matcher::kM1, 1690, 1490, 1890}, {Matcher::kM2, -1690, 1490, 1890},
        {Matcher::kM3, 1690, 1490, 1890}, {Matcher::kM4, 1690, 1490, 1890},
        {Matcher::kM1, 599, 389, 809},    {Matcher::kM1, 600, 400, 800},
        {Matcher::kM1, 10, 6, 14},  // 6.5 and 13.5 round to even
    };
    for (const auto& c : cases) {
        const Window w = ToleranceWindow(c.matcher, c.nominal);
        EXPECT_EQ(w.low, c.low) << c.nominal;
        EXPECT_EQ(w.high, c.high) << c.nominal;
    }
}

// The windows at work: one NEC bit, its pulse measured at the given length.
TEST(Matchers, WindowBoundsAreExcluded) {
    struct Case {
        Matcher matcher;
        unsigned pulse;
        unsigned gap;
        bool fits;
    };
    const std::vector<Case> cases = {
        {Matcher::kM1, 365, 560, true},  {Matcher::kM1, 364, 560, false},
        {Matcher::kM1, 755, 560, true},  {Matcher::kM1, 756, 560, false},
        {Matcher::kM4, 337, 560, true},  {Matcher::kM4, 336, 560, false},
        {Matcher::kM4, 783, 560, true},  {Matcher::kM4, 784, 560, false},
        {Matcher::kM1, 560, 1491, true}, {Matcher::kM1, 560, 1490, false},
        {Matcher::kM1, 560, 1889, true}, {Matcher::kM1, 560, 1890, false},
    };
    const SymbolTable symbols = NecSymbols();
    for (const auto& c : cases) {
        const std::string frame = Hex4(c.pulse) + Hex4(c.gap) + "0230EDED";
        bool failed = false;
        const auto out = RunMatcher(c.matcher, frame, symbols, failed);
        ASSERT_TRUE(out.has_value());
        const bool letter = !out->empty() && (*out)[0] >= 'u' && (*out)[0] <= 'x';
        EXPECT_EQ(letter, c.fits) << c.pulse << "/" << c.gap << " -> " << *out;
    }
}

TEST(Matchers, DecodeTheirKindOfFrame) {
    struct Case {
        const char* name;
        CodeTypeDescription record;
        Matcher matcher;
        std::string rest;
        std::string decoded;
    };
    const std::vector<Case> cases = {
        // NEC: two bits, trailing pulse, gap block; M1 writes the pulse's nominal.
        {"M1 pulse distance", NecLike(), Matcher::kM1,
         "0230023002300690"
         "0230FEFE0028EDED",
         "uv0230h0028"},
        // M2 expects a gap first: the first pulse stays raw, then it is in step.
        {"M2 starts with a gap", NecLike(), Matcher::kM2, "023002300230FEFE0028EDED", "0230uh0028"},
        // Sony: the last bit loses its gap to the frame gap; M4 writes its letter.
        {"M4 pulse width", SonyLike(), Matcher::kM4, "04B002580258FEFE0014EDED", "vuh0014"},
        // M1 writes the nominal of the last pulse instead.
        {"M1 pulse width", SonyLike(), Matcher::kM1, "04B002580258FEFE0014EDED", "v0258h0014"},
        // RC5 ones then zeros: M3 sees the first half as invisible and splits the
        // merged 1778 us halves.
        {"M3 bi-phase", Rc5Like(), Matcher::kM3, "0379037906F2037903790379EDED", "uuvv"},
        // A last v whose gap half is lost in the frame end still gives its letter.
        {"M3 frame ending in a pulse", Rc5Like(), Matcher::kM3, "0379037906F2EDED", "uuv"},
    };
    for (const auto& c : cases) {
        const SymbolTable symbols = BuildSymbolTable(ToRecord(c.record));
        bool failed = false;
        const auto out = RunMatcher(c.matcher, c.rest, symbols, failed);
        ASSERT_TRUE(out.has_value()) << c.name;
        EXPECT_EQ(*out, c.decoded) << c.name;
    }
}

TEST(Matchers, SymbolShorterThanTheLastDefinitionNeverFits) {
    // u has one duration, v two: C = 2, so u cannot fill position 1.
    const SymbolTable symbols = BuildSymbolTable(
        ToRecord(RecordBuilder("short").Symbol({Pulse(560)}).Symbol({Pulse(560), Gap(1690)})));
    for (const Matcher m : kMatcherOrder) {
        bool failed = false;
        const auto out = RunMatcher(m, "0230023002300690EDED", symbols, failed);
        ASSERT_TRUE(out.has_value());
        EXPECT_EQ(out->find('u'), std::string::npos) << static_cast<int>(m) << " " << *out;
    }
}

TEST(Matchers, ZeroLengthLastDurationIsNeverSplit) {
    // Splitting a duration at a nominal 0 would leave it as it was and the matcher
    // would never get past it.
    const SymbolTable symbols =
        BuildSymbolTable(ToRecord(RecordBuilder("zero").Symbol({Pulse(560), Gap(0)})));
    for (const Matcher m : kMatcherOrder) {
        bool failed = false;
        const auto out = RunMatcher(m, "0230023002300230EDED", symbols, failed);
        ASSERT_TRUE(out.has_value()) << static_cast<int>(m);
        // The durations pass raw; M3, in step at the end, closes the frame with the
        // letter of a symbol that lacks just its last duration.
        EXPECT_EQ(out->substr(0, 12), "023002300230") << static_cast<int>(m);
        const bool letter_at_end = *out == "023002300230u";
        EXPECT_TRUE(*out == "0230023002300230" || letter_at_end) << static_cast<int>(m) << *out;
        EXPECT_EQ(letter_at_end, m == Matcher::kM3) << static_cast<int>(m);
    }
}

TEST(Matchers, StopOnTextThatIsNotANumber) {
    // M1 and M4 read the first duration as a pulse and must convert it; M2 and M3
    // expect a gap there and pass it on raw (the compare then meets it).
    for (const Matcher m : {Matcher::kM1, Matcher::kM4}) {
        bool failed = false;
        EXPECT_FALSE(RunMatcher(m, "02X0023002300690EDED", NecSymbols(), failed).has_value());
        EXPECT_TRUE(failed);
    }
    for (const Matcher m : {Matcher::kM2, Matcher::kM3}) {
        bool failed = false;
        const auto out = RunMatcher(m, "02X0023002300690EDED", NecSymbols(), failed);
        ASSERT_TRUE(out.has_value());
        EXPECT_EQ(out->substr(0, 4), "02X0");
        EXPECT_FALSE(failed);
    }
}

TEST(Compare, MergesPatternAndDecodedText) {
    struct Case {
        const char* pattern;
        const char* text;
        const char* merged;
    };
    const std::vector<Case> cases = {
        {"2328uu0230h006C", "2328vu0230h0028", "2328vu0230h006C"},
        {"2328uu0230h006C", "2328vu0230", "2328vu0230"},  // text ends first
        {"2328uu", "2328vuu0230", "2328vu"},              // pattern ends first
        {"2328u", "23280230", ""},                        // letter against a duration
        {"2328h006C", "2328u", ""},
        {"2328h006C", "23280230", ""},  // separator against a duration
        {"0064", "0046", ""},           // 70 is not above 0.7 x 100
        {"0064", "0047", "0064"},
        {"0064", "0082", ""},  // 130 is not below 1.3 x 100
        {"0064", "0081", "0064"},
        {"t0028", "h0014", "t0028"},
    };
    for (const auto& c : cases) {
        const auto merged = CompareFrame(c.pattern, c.text);
        ASSERT_TRUE(merged.has_value()) << c.pattern << " " << c.text;
        EXPECT_EQ(*merged, c.merged) << c.pattern << " " << c.text;
    }
}

TEST(FrameMatching, EveryMatcherThatComparesIsAppended) {
    // No symbol can fit these durations: all four matchers write them raw and all
    // four compare, so the merged text is there four times.
    const SymbolTable symbols =
        BuildSymbolTable(ToRecord(RecordBuilder("raw").Symbol({Pulse(100), Gap(100)})));
    const FrameMatch match = MatchFrames(
        "03E8"
        "07D0"
        "03E8"
        "t0014",
        "03E807D003E8FEFE0014EDED", symbols);
    EXPECT_EQ(match.matched,
              "03E807D003E8t0014"
              "03E807D003E8t0014"
              "03E807D003E8t0014"
              "03E807D003E8t0014");
}

// A record with sequence 0 compared against the first frame through a "t 40 ms"
// separator (two frame order entries, no repeated tail).
CodeTypeDescription GapRecord() {
    return RecordBuilder("gap 40 ms")
        .Carrier(38000, 5, 3)
        .Symbol({Pulse(560), Gap(560)})
        .Symbol({Pulse(560), Gap(1690)})
        .Sequence({Pulse(9000), Gap(4500), Data(8), Pulse(560)})
        .FrameOrder({GapAfter(0, 4000), GapAfter(0, 4000)}, 0);
}

std::string EightBits() {
    std::string text = "23281194";
    for (int i = 0; i < 8; ++i) text += i % 2 ? "02300690" : "02300230";
    return text + "0230";
}

TEST(FrameMatching, GapSeparatorDecidesTheFirstFrame) {
    struct Case {
        const char* name;
        std::string recording;
        bool fits;
    };
    const std::vector<Case> cases = {
        {"44 ms", EightBits() + "FEFE002CEDED" + EightBits() + "EDED", false},
        {"43 ms", EightBits() + "FEFE002BEDED" + EightBits() + "EDED", true},
        {"no gap block", EightBits() + "EDED", true},
        {"lone frame, 20 ms", EightBits() + "FEFE0014EDED", false},
    };
    const CodeTypeRecord record = ToRecord(GapRecord());
    const auto pattern = BuildPattern(record);
    ASSERT_TRUE(pattern.has_value());
    EXPECT_EQ(pattern->text, "23281194uuuuuuuu0230t002823281194uuuuuuuu0230");
    for (const auto& c : cases) {
        const FrameMatch match = MatchFrames(pattern->text, c.recording, BuildSymbolTable(record));
        EXPECT_EQ(!match.matched.empty(), c.fits) << c.name << ": " << match.matched;
        if (c.fits) {
            // A last frame closed by "EDED" alone leaves no separator in the merged text.
            EXPECT_EQ(match.matched.substr(0, 20), "23281194uvuvuvuv0230") << c.name;
        }
    }
}

TEST(FrameMatching, LoneFrameNeedsASeparatorOfItsAssumedGap) {
    // A lone NEC frame carries the assumed 20 ms: with all bits 0 (a 50 ms frame)
    // the 108 ms period refuses it, a companion record with a 20 ms gap takes it.
    std::mt19937 rng(77);
    const std::vector<int> bits(32, 0);
    const std::string lone = CaptureText({NecFrame(bits)}, rng, 0.05);
    auto companion =
        RecordBuilder("NEC lone")
            .Carrier(38000, 5, 3)
            .Symbol({Pulse(560), Gap(560)})
            .Symbol({Pulse(560), Gap(1690)})
            .Sequence({Pulse(9000), Gap(4500), Data(8), Data(8), Data(8), Data(8), Pulse(560)})
            .Sequence({Pulse(9000), Gap(2250), Pulse(560)})
            .FrameOrder({GapAfter(0, 2000)}, 1)
            .RepeatOrder({Period(1, 10800)})
            .Build();
    CodeInfoFile nec_only({NecLike()});
    EXPECT_EQ(analyse(lone, 1, nec_only.path()).record_index, -1);
    CodeInfoFile both({NecLike(), companion});
    EXPECT_EQ(analyse(lone, 1, both.path()).record_index, 1);
    // A recording of several frames never fits the companion (its first gap is 40 ms).
    const std::string repeated = CaptureText({NecFrame(bits), NecRepeatFrame()}, rng, 0.05);
    CodeInfoFile companion_first({companion, NecLike()});
    EXPECT_EQ(analyse(repeated, 1, companion_first.path()).record_index, 1);
}

TEST(FrameMatching, PatternWithoutSeparatorNeverFits) {
    std::mt19937 rng(5);
    const std::string text =
        CaptureText({NecFrame(std::vector<int>(32, 0)), NecRepeatFrame()}, rng, 0.0);
    auto no_tail = NecLike();
    no_tail.repeat_tail = 0;
    const auto pattern = BuildPattern(ToRecord(no_tail));
    ASSERT_TRUE(pattern.has_value());
    EXPECT_EQ(pattern->text.find_first_of("ht"), std::string::npos);
    CodeInfoFile file({no_tail, NecLike()});
    EXPECT_EQ(analyse(text, 1, file.path()).record_index, 1);
}

TEST(FrameMatching, FrameOfNothingButItsLeadIn) {
    // Repeat-only record: the frame ends right after its lead-in; with "EDED" the
    // lead-in alone is the matched text.
    const CodeTypeRecord record = ToRecord(RecordBuilder("lead-in only")
                                               .Symbol({Pulse(560), Gap(560)})
                                               .Sequence({Pulse(9000), Gap(2250), Pulse(560)})
                                               .FrameOrder({Period(0, 10800)}, 1));
    const auto pattern = BuildPattern(record);
    ASSERT_TRUE(pattern.has_value());
    const FrameMatch alone =
        MatchFrames(pattern->text, "232808CA0230EDED", BuildSymbolTable(record));
    EXPECT_EQ(alone.matched, "232808CA0230");
    // Closed by a gap block, every matcher writes just "h" and the gap, and all four
    // merged texts are appended.
    const FrameMatch gap_block = MatchFrames(
        pattern->text, "232808CA0230FEFE0060EDED232808CA0230EDED", BuildSymbolTable(record));
    EXPECT_EQ(gap_block.matched,
              "232808CA0230h006C232808CA0230h006C232808CA0230h006C"
              "232808CA0230h006C");
}

}  // namespace
}  // namespace orvalin::ircode::test
