#include "signals/sampling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "device/transport.h"
#include "signals/capture.h"

namespace {

// The program's reading of a capture text: words to microseconds (mark =
// trunc(d / 3) - 58, space = trunc(d / 3) + 58, "7FFF" runs before a space word
// for long spaces, a "7FFF" in a mark position before a mark word for long marks),
// up to the fixed silence.
std::vector<long> decode(const std::string& text) {
    // The last 86 characters are the fixed silence and the status digits.
    const std::size_t end = text.size() - 86;
    std::vector<unsigned> words;
    for (std::size_t at = 0; at + 4 <= end; at += 4) {
        words.push_back(static_cast<unsigned>(std::stoul(text.substr(at, 4), nullptr, 16)));
    }
    std::vector<long> out;
    long pending = 0;  // 7FFF units waiting for the word that ends them
    for (std::size_t i = 0; i < words.size(); ++i) {
        const unsigned w = words[i];
        const bool mark_position = out.size() % 2 == 0;
        if (w == 0x7FFF) {
            pending += 0x7FFF;
            continue;
        }
        if (w & 0x8000) {
            out.push_back((pending + (w & 0x7FFF)) / 3 - 58);
        } else {
            EXPECT_FALSE(mark_position) << "space word in a mark position at word " << i;
            out.push_back(-((pending + w) / 3 + 58));
        }
        pending = 0;
    }
    return out;
}

TEST(Mode2, ParsesPulsesSpacesAndCarrier) {
    const auto signal = orvalin::ir_signals::parse_mode2(
        "# recorded\nspace 100000\ncarrier 36000\npulse 889\nspace 889\nspace 11\n"
        "pulse 1778\r\n\ntimeout 20000\npulse 1\nspace 0\npulse 0\n");
    ASSERT_TRUE(signal);
    EXPECT_EQ(signal->carrier_hz, 36000);
    EXPECT_EQ(signal->durations_us, (std::vector<int>{889, -900, 1779}));
}

TEST(Mode2, RejectsBadInputWithAMessage) {
    const char* bad[] = {"pulse\n",
                         "pulse abc\n",
                         "pulse -5\n",
                         "space 10\n",
                         "",
                         "pulse 99999999999999999999\n",
                         "carrier 5000000\npulse 10\n",
                         "pulse 20000000\n",
                         "pulse 12x\n"};
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(orvalin::ir_signals::parse_mode2(text, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(Sampling, WordsCarryTheSamplerBias) {
    const auto sampled = orvalin::ir_signals::sample_signal({{900, -2200, 900}, 0});
    std::vector<uint8_t> expected = {0x8B, 0x3A, 0x19, 0x1A, 0x8B, 0x3A};
    for (int i = 0; i < 20; ++i) {
        expected.push_back(0x7F);
        expected.push_back(0xFF);
    }
    EXPECT_EQ(sampled.bytes, expected);
    EXPECT_EQ(sampled.status, (std::array<uint8_t, 3>{0, 0, 0}));
}

TEST(Sampling, CarrierBytesReadBackAsKilohertz) {
    // Every whole kilohertz up to 94 has a byte sum that reads back exactly.
    for (int khz = 12; khz <= 94; ++khz) {
        const auto b = orvalin::ir_signals::carrier_bytes(khz * 1000);
        const double sum = b[0] + b[1] + b[2];
        EXPECT_EQ(static_cast<int>(1000.0 / (sum / 9.0)), khz) << khz;
    }
    EXPECT_EQ(orvalin::ir_signals::carrier_bytes(37600), orvalin::ir_signals::carrier_bytes(38000))
        << "nearest kHz";
    EXPECT_EQ(orvalin::ir_signals::carrier_bytes(0), (std::array<uint8_t, 3>{0, 0, 0}));
}

TEST(Sampling, CaptureTextDecodesBackToTheDurations) {
    struct Case {
        const char* name;
        std::vector<int> durations;
    };
    const Case cases[] = {
        {"short frame", {9000, -4500, 560, -560, 560, -1690, 560}},
        {"gap between frames", {2400, -600, 1200, -40000, 2400, -600, 600}},
        {"very long gap", {900, -250000 / 4, 900}},
        {"long mark", {15000, -500, 600}},
        {"space just over 0x7FFF units", {1000, -10981, 1000}},
        {"space just under 0x7FFF units", {1000, -10980, 1000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto sampled = orvalin::ir_signals::sample_signal({c.durations, 38000});
        const std::string text = orvalin::ir_signals::capture_text(sampled.bytes, sampled.status);
        const std::vector<long> decoded = decode(text);
        ASSERT_EQ(decoded.size(), c.durations.size());
        for (std::size_t i = 0; i < decoded.size(); ++i) {
            EXPECT_LE(std::labs(decoded[i] - c.durations[i]), 1) << "duration " << i;
        }
    }
}

TEST(Sampling, LeadingAndTrailingSpacesAndJoins) {
    const auto a =
        orvalin::ir_signals::sample_signal({{-500, 900, 100, -300, -200, 900, -7000}, 38000});
    const auto b = orvalin::ir_signals::sample_signal({{1000, -500, 900}, 38000});
    EXPECT_EQ(a.bytes, b.bytes);
    EXPECT_TRUE(orvalin::ir_signals::sample_signal({{-500}, 38000}).bytes.empty());
}

}  // namespace
