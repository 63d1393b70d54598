// The real quendrix.dll, loaded by file name as the program loads it: signals of
// shapes that no code type names are learned and replay as sent; requests it
// cannot use get an empty answer.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <thread>

#include "ircode/analysis.h"
#include "tests/support/converter_signals.h"

namespace orvalin::converter::testing {

using namespace orvalin::converter_signals;
namespace {

const std::string kLibrary = std::string(ORVALIN_PROGRAM_DIR) + "/quendrix.dll";
const std::filesystem::path kCodeInfo = std::filesystem::path(ORVALIN_PROGRAM_DIR) / "QZ01.csl";

class ConverterTest : public ::testing::Test {
  protected:
    Converter converter{kLibrary};
    void SetUp() override { ASSERT_TRUE(converter.loaded()) << kLibrary; }
};

TEST_F(ConverterTest, LearnsEveryShapeThatNoCodeTypeNames) {
    for (const ShapeCase& c : ShapeCases()) {
        SCOPED_TRACE(c.name);
        const std::string timing = TimingOf(c.signal);
        ASSERT_FALSE(timing.empty());
        // The shipped code types do not name it: this is the converter's work.
        EXPECT_EQ(ircode::analyse(std::string_view(timing).substr(5), 0x21, kCodeInfo).type_name,
                  "");
        const std::string answer = converter.Ask(RequestOf(timing, "21"));
        ASSERT_FALSE(answer.empty()) << timing;
        // A one-key table for table code 21.
        EXPECT_EQ(answer.substr(0, 6), "000121");
        std::string error;
        const auto replayed = ircode::replay_table(answer, &error);
        ASSERT_TRUE(replayed) << error;
        EXPECT_EQ(replayed->key_number, 0x21);
        // The clipped first mark replays at the length of its class.
        ir_signals::PulseSignal sent = c.signal;
        if (c.name == "clipped_first_mark") sent.durations_us[0] = 9000;
        EXPECT_EQ(CompareReplay(sent, *replayed), "") << timing << "\n" << answer;
        EXPECT_EQ(converter.Shape(RequestOf(timing, "21")).rfind(c.shape_starts, 0), 0u)
            << converter.Shape(RequestOf(timing, "21"));
    }
}

TEST_F(ConverterTest, NoisyCapturesReplayAsTheirClasses) {
    // +-25 % spread within a class: whatever is learned replays within the
    // receiver's tolerance of the sent signal.
    std::mt19937 rng(11);
    int learned = 0, tried = 0;
    for (const ShapeCase& c : ShapeCases()) {
        // Classes closer than the spread cannot be told apart by any receiver:
        // the 4-symbol spaces, bi-phase half and whole bits, NEC's 1690 data and
        // 2250 ditto spaces.
        if (c.name != "lead_4500_24_bits_repeated" && c.name != "pulse_width_16_bits" &&
            c.name != "literal_durations") {
            continue;
        }
        for (int i = 0; i < 40; ++i) {
            SCOPED_TRACE(c.name + " #" + std::to_string(i));
            const ir_signals::PulseSignal noisy = Spread(c.signal, 0.25, rng);
            const std::string answer = converter.Ask(RequestOf(TimingOf(noisy), "05"));
            ++tried;
            if (answer.empty()) continue;
            ++learned;
            const auto replayed = ircode::replay_table(answer);
            ASSERT_TRUE(replayed);
            EXPECT_EQ(CompareReplay(c.signal, *replayed, 0.3, 120), "");
        }
    }
    EXPECT_GE(learned * 100, tried * 97) << learned << " of " << tried;
}

TEST_F(ConverterTest, RefusesRequestsItCannotUse) {
    const std::string good = TimingOf(ShapeCases().front().signal);
    ASSERT_FALSE(converter.Ask(RequestOf(good, "21")).empty());
    const struct {
        const char* name;
        std::string request;
    } cases[] = {
        {"empty", ""},
        {"no head", RequestOf(good, "21").substr(1)},
        {"lower-case table code", RequestOf(good, "2a")},
        {"one-digit table code",
         "#99|011\r\n0:\xB0\xB4\xC5\xA5"
         "0:{X=310,Y=120}|" +
             good + "\r\n"},
        {"label in UTF-8", "#99|0121\r\n0:按钮0:{X=310,Y=120}|" + good + "\r\n"},
        {"label bytes not GBK",
         "#99|0121\r\n0:\xFF\xFF\xC5\xA5"
         "0:{X=310,Y=120}|" +
             good + "\r\n"},
        {"no closing line break",
         RequestOf(good, "21").substr(0, RequestOf(good, "21").size() - 2)},
        {"empty timing", RequestOf("", "21")},
        {"truncated timing", RequestOf(good.substr(0, good.size() / 2), "21")},
        {"timing without end block", RequestOf(good.substr(0, good.size() - 4), "21")},
        {"frame count disagrees", RequestOf("7" + good.substr(1), "21")},
        {"GBK byte in the timing",
         RequestOf(good.substr(0, 9) + "\xB0\xB4" + good.substr(11), "21")},
        {"lower-case hex", RequestOf(good.substr(0, 5) + "a328" + good.substr(9), "21")},
        {"10 000 characters", RequestOf("1" + good.substr(1, 4) + std::string(9996, '0'), "21")},
        {"long text of durations",
         RequestOf(std::string(1, good[0]) + good.substr(1, 4) + std::string(10000, 'A') + "EDED",
                   "21")},
        {"carrier digits", RequestOf(good.substr(0, 3) + "13" + good.substr(5), "21")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(converter.Ask(c.request), "") << c.name;
    }
}

TEST_F(ConverterTest, RefusesAnImageThatCannotReplayTheSignal) {
    // Three different frames of 150 durations drawn from eight far-apart lengths:
    // even four symbols leave frame data over the 127 bytes a piece holds.
    const int lengths[] = {200, 360, 650, 1170, 2100, 3800, 6800, 9900};
    std::mt19937 rng(3);
    std::vector<int> durations;
    for (int frame = 0; frame < 3; ++frame) {
        for (int i = 0; i < 149; ++i) durations.push_back((i % 2 ? -1 : 1) * lengths[rng() % 8]);
        durations.push_back(lengths[rng() % 8]);
        if (frame < 2) durations.push_back(-30000);
    }
    const std::string timing = TimingOf({durations, 38000});
    ASSERT_FALSE(timing.empty());
    EXPECT_EQ(converter.Ask(RequestOf(timing, "21")), "");
    // A mark the receiver did not see (0 us) that no class can stand for.
    EXPECT_EQ(converter.Ask(RequestOf("1261200000834EDED", "21")), "");
}

TEST_F(ConverterTest, EachThreadKeepsItsOwnAnswer) {
    const std::vector<ShapeCase> cases = ShapeCases();
    std::vector<std::string> expected;
    for (const ShapeCase& c : cases)
        expected.push_back(converter.Ask(RequestOf(TimingOf(c.signal), "33")));
    std::vector<std::thread> threads;
    std::vector<int> wrong(cases.size(), 0);
    for (std::size_t t = 0; t < cases.size(); ++t) {
        threads.emplace_back([&, t] {
            const std::string request = RequestOf(TimingOf(cases[t].signal), "33");
            for (int i = 0; i < 30; ++i) {
                if (converter.Ask(request) != expected[t]) ++wrong[t];
            }
        });
    }
    for (auto& t : threads) t.join();
    for (std::size_t t = 0; t < cases.size(); ++t) EXPECT_EQ(wrong[t], 0) << cases[t].name;
}

}  // namespace
}  // namespace orvalin::converter::testing
