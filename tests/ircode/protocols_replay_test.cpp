// Replay of code-type images built byte by byte: how each byte is read
// (durations, split durations, packed fields, toggles, frame order, carrier)
// and how damaged images are refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/hex_text.h"
#include "ircode/replay.h"

namespace {

using orvalin::ircode::flatten;
using orvalin::ircode::replay_table;
using orvalin::ircode::to_mode2;
using Bytes = std::vector<std::uint8_t>;

// A one-key table around a timing block and frame data.
Bytes table(std::uint8_t key, const Bytes& b, const Bytes& f) {
    Bytes t{0x00,
            0x01,
            key,
            0xC7,
            0x0A,
            0x00,
            static_cast<std::uint8_t>(b.size()),
            static_cast<std::uint8_t>(b.size() + 10),
            0x00,
            static_cast<std::uint8_t>(f.size())};
    t.insert(t.end(), b.begin(), b.end());
    t.insert(t.end(), f.begin(), f.end());
    return t;
}

// Timing block with P = 53, D = 63 (unit 3339 ticks = 556.5 us), carrier byte 3
// and the given order counts, T1 entries and symbol table.
Bytes timing(std::uint8_t carrier, std::uint8_t counts, std::uint8_t repeat, const Bytes& t1,
             const Bytes& t2) {
    Bytes b{0, 0, 52, carrier, 62, 62, 0x00, 0x00, counts, repeat};
    b.insert(b.end(), t1.begin(), t1.end());
    b[0] = static_cast<std::uint8_t>(b.size());
    b.insert(b.end(), t2.begin(), t2.end());
    b[1] = static_cast<std::uint8_t>(b.size());
    return b;
}

// u = pulse 1 unit, gap 1 unit; v = pulse 1 unit, gap 3 units.
const Bytes kTwoSymbols{0x02, 0x05, 0x02, 0xC0, 0x80, 0x02, 0xC0, 0x82};
// Four symbols: u, v as above, w = gap 2 / pulse 2, x = pulse 2 / gap 2.
const Bytes kFourSymbols{0x04, 0x07, 0x0A, 0x0D, 0x02, 0xC0, 0x80, 0x02,
                         0xC0, 0x82, 0x02, 0x81, 0xC1, 0x02, 0xC1, 0x81};

struct ReplayCase {
    const char* name;
    Bytes b;
    Bytes f;
    std::vector<int> expected;  // flattened replay in microseconds
    int carrier_hz;
};

class ReplayReads : public ::testing::TestWithParam<ReplayCase> {};

TEST_P(ReplayReads, EveryByteAsDocumented) {
    const ReplayCase& c = GetParam();
    std::string error;
    const auto signal = replay_table(table(0x2A, c.b, c.f), &error);
    ASSERT_TRUE(signal) << error;
    EXPECT_EQ(signal->key_number, 0x2A);
    EXPECT_EQ(signal->carrier_hz, c.carrier_hz);
    EXPECT_DOUBLE_EQ(signal->unit_us, 556.5);
    EXPECT_EQ(flatten(*signal), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Images, ReplayReads,
    ::testing::Values(
        // Leader 16/8 units, a binary field v u u u u u u v, a stop pulse.
        ReplayCase{"binary_field",
                   timing(3, 0x11, 0x00, {}, kTwoSymbols),
                   {0x01, 0x04, 0xCF, 0x87, 0x47, 0x81, 0xC0},
                   {8904, -4452, 557, -1670, 557, -557, 557, -557, 557, -557, 557, -557, 557, -557,
                    557, -557, 557, -1670, 557},
                   37736},
        // A gap of 65 units as 0xBF 0x80, a pulse of 130 units as 0xFF 0xFF 0xC1:
        // each byte counts in the block's count.
        ReplayCase{"split_durations",
                   timing(3, 0x11, 0x00, {}, kTwoSymbols),
                   {0x01, 0x06, 0xC0, 0xBF, 0x80, 0xFF, 0xFF, 0xC1},
                   {557, -36173, 72345},
                   37736},
        // Quaternary field x w v u, then a toggle whose first value is w (2).
        ReplayCase{"quaternary_field_and_toggle",
                   timing(3, 0x11, 0x00, {}, kFourSymbols),
                   {0x01, 0x03, 0x53, 0xE4, 0x74, 0xA0, 0xC0},
                   {1113, -2226, 1670, -1670, 557, -1670, 1670},
                   37736},
        // Without carrier: byte 3 is 0x80 whatever else the block holds.
        ReplayCase{"no_carrier",
                   timing(0x80, 0x11, 0x00, {}, kTwoSymbols),
                   {0x01, 0x02, 0xC0, 0x70},
                   {1113},
                   0},
        // Two frames 108 ms apart (a period: the gap is what the frame leaves
        // of it), then a repeat frame 20 ms after the second (a gap).
        ReplayCase{
            "frame_order_and_repeat",
            timing(3, 0x22, 0x11,
                   {0xC2, 0x2F, 0x80, 0x00,   // frame entry: 12226 x 53 ticks, period, sequence 0
                    0x8A, 0x08, 0xC0, 0x01},  // repeat entry: 2186 x 53 ticks, gap, sequence 1
                   kTwoSymbols),
            {0x02, 0x04, 0x01, 0xCF, 0x02, 0xCF, 0xC0},
            {8904, -(107996 - 8904), 8904, -19310, 9461},
            37736}),
    [](const ::testing::TestParamInfo<ReplayCase>& info) { return std::string(info.param.name); });

TEST(ReplayOutput, Mode2TextStartsWithTheCarrier) {
    const auto signal =
        replay_table(table(1, timing(3, 0x11, 0x00, {}, kTwoSymbols), {0x01, 0x02, 0xCF, 0x87}));
    ASSERT_TRUE(signal);
    // The trailing gap melts into the silence after the signal.
    EXPECT_EQ(to_mode2(*signal), "carrier 37736\npulse 8904\n");
}

TEST(ReplayOutput, SilenceBeyondTenSecondsIsCut) {
    // A gap entry whose flag byte carries the highest time bits: over an hour.
    const auto signal = replay_table(
        table(1, timing(3, 0x12, 0x00, {0xFF, 0xFF, 0xFF, 0x00}, kTwoSymbols), {0x01, 0x01, 0xCF}));
    ASSERT_TRUE(signal);
    ASSERT_EQ(signal->frames.size(), 2u);
    EXPECT_EQ(signal->frames[0].gap_after_us, 10'000'000);
}

TEST(ReplayOutput, HexTextIgnoresSpacesAndCase) {
    const Bytes t = table(1, timing(3, 0x11, 0x00, {}, kTwoSymbols), {0x01, 0x02, 0xCF, 0x87});
    std::string hex;
    for (const std::uint8_t byte : t) {
        orvalin::hex::append_bytes(hex, &byte, 1, orvalin::hex::Case::lower);
        hex += ' ';
    }
    std::string error;
    const auto signal = replay_table(hex, &error);
    ASSERT_TRUE(signal) << error;
    EXPECT_EQ(flatten(*signal), std::vector<int>{8904});
}

struct BadCase {
    const char* name;
    Bytes table;
    const char* message;  // part of the error message
};

class ReplayRefuses : public ::testing::TestWithParam<BadCase> {};

TEST_P(ReplayRefuses, DamagedImageWithAClearMessage) {
    std::string error;
    EXPECT_FALSE(replay_table(GetParam().table, &error));
    EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
}

Bytes with_byte(Bytes t, std::size_t at, std::uint8_t value) {
    t.at(at) = value;
    return t;
}

const Bytes kGood =
    table(1, timing(3, 0x11, 0x00, {}, kTwoSymbols), {0x01, 0x03, 0xCF, 0x87, 0xC0});

INSTANTIATE_TEST_SUITE_P(
    Images, ReplayRefuses,
    ::testing::Values(
        BadCase{"empty", {}, "shorter than its 10-byte header"},
        BadCase{"links", with_byte(kGood, 0, 1), "not a one-key table"},
        BadCase{"type_piece_too_long", with_byte(kGood, 6, 200), "beyond the end of the table"},
        BadCase{"symbol_table_offset", with_byte(kGood, 10, 60), "offsets out of range"},
        BadCase{"divisors_differ", with_byte(kGood, 15, 9), "two different divisors"},
        BadCase{"carrier_without_divisor", with_byte(kGood, 13, 7), "has no divisor"},
        BadCase{"five_symbols", with_byte(kGood, 20, 5), "names 5 symbols"},
        BadCase{"symbol_without_durations", with_byte(kGood, 22, 0), "has 0 durations"},
        BadCase{"unknown_item", with_byte(kGood, 30, 0x20), "unknown item byte"},
        BadCase{"offset_misses_block", with_byte(kGood, 28, 2), "offset 0 is 2"},
        BadCase{"block_runs_past_the_end", with_byte(kGood, 29, 9), "frame data ends early"},
        BadCase{"bytes_after_the_blocks",
                table(1, timing(3, 0x11, 0x00, {}, kTwoSymbols), {0x01, 0x01, 0xCF, 0x87}),
                "bytes after its last block"},
        // Sequence 2 gets a block when the frame order first names it; sequence 1,
        // named after it, never does.
        BadCase{"sequence_without_block",
                table(1,
                      timing(3, 0x33, 0x00, {0x10, 0x00, 0x80, 0x02, 0x10, 0x00, 0x80, 0x01},
                             kTwoSymbols),
                      {0x02, 0x04, 0x01, 0xCF, 0x01, 0xCF}),
                "sequence 1, which has no block"},
        BadCase{"field_on_four_symbols",
                table(1, timing(3, 0x11, 0x00, {}, kFourSymbols), {0x01, 0x01, 0x47, 0x00}),
                "unknown item byte"}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST(ReplayRefuses, EveryShortenedImage) {
    for (std::size_t n = 0; n < kGood.size(); ++n) {
        const Bytes cut(kGood.begin(), kGood.begin() + static_cast<std::ptrdiff_t>(n));
        std::string error;
        EXPECT_FALSE(replay_table(cut, &error)) << n << " bytes";
        EXPECT_FALSE(error.empty()) << n << " bytes";
    }
    EXPECT_TRUE(replay_table(kGood));
}

TEST(ReplayRefuses, HexTextThatIsNotAnImage) {
    std::string error;
    EXPECT_FALSE(replay_table(std::string("0001C"), &error));
    EXPECT_EQ(error, "odd number of hex digits");
    EXPECT_FALSE(replay_table(std::string("00G1"), &error));
    EXPECT_EQ(error, "not a hex digit: 'G'");
}

}  // namespace
