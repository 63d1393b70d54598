// The one hex reader and writer: every reader of device bytes, tables, timing texts
// and code-info sources relies on these rules.
#include "common/hex_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace orvalin::hex {
namespace {

TEST(HexText, DigitValueTakesBothCasesAndNothingElse) {
    for (char c = '0'; c <= '9'; ++c) EXPECT_EQ(digit_value(c), c - '0');
    for (char c = 'A'; c <= 'F'; ++c) EXPECT_EQ(digit_value(c), c - 'A' + 10);
    for (char c = 'a'; c <= 'f'; ++c) EXPECT_EQ(digit_value(c), c - 'a' + 10);
    for (const char c : std::string("Gg/:@`x -+\0\x80\xFF", 13))
        EXPECT_EQ(digit_value(c), -1) << int(c);
}

struct NumberCase {
    std::string text;
    std::size_t pos, count;
    long value;
};

TEST(HexText, NumberAtReadsOnlyInsideTheText) {
    const std::vector<NumberCase> cases = {
        {"1A2b", 0, 4, 0x1A2B},
        {"1A2b", 2, 2, 0x2B},
        {"1A2b", 3, 1, 0xB},
        {"1A2b", 3, 2, -1},
        {"1A2b", 4, 1, -1},
        {"1A2b", 5, 1, -1},
        {"1A2b", 0, 0, -1},
        {"1G", 0, 2, -1},
        {"", 0, 1, -1},
        {"0000000000000000000001", 0, 22, 1},  // leading zeros of any length
        {"7FFFFFFFFFFFFFFF", 0, 16, std::numeric_limits<long>::max()},
        {"10000000000000000", 0, 17, -1},  // does not fit
        {"FFFFFFFFFFFFFFFF", 0, 16, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(number_at(c.text, c.pos, c.count), c.value)
            << c.text << " " << c.pos << " " << c.count;
    EXPECT_EQ(byte_at("00FF7f", 2), 0xFF);
    EXPECT_EQ(byte_at("00FF7f", 4), 0x7F);
    EXPECT_EQ(byte_at("00FF7", 4), -1);
}

TEST(HexText, DigitsValueTakesOneToSevenDigits) {
    EXPECT_EQ(digits_value("0A"), 10);
    EXPECT_EQ(digits_value("FFFFFFF"), 0xFFFFFFF);
    EXPECT_EQ(digits_value("10000000"), -1);
    EXPECT_EQ(digits_value(""), -1);
    EXPECT_EQ(digits_value("1 "), -1);
}

TEST(HexText, IsHexText) {
    EXPECT_TRUE(is_hex_text(""));
    EXPECT_TRUE(is_hex_text("0123456789abcdefABCDEF"));
    EXPECT_FALSE(is_hex_text("12 4"));
    EXPECT_FALSE(is_hex_text(std::string("1\0", 2)));
}

TEST(HexText, WritersUseUpperCaseUnlessAsked) {
    std::string out;
    append(out, 0xABC, 4);
    append(out, 0x12345, 2);  // only the low digits
    append_word_le(out, 0x1234);
    EXPECT_EQ(out,
              "0ABC45"
              "3412");
    const std::vector<std::uint8_t> bytes{0x00, 0x0F, 0xA5, 0xFF};
    EXPECT_EQ(from_bytes(bytes), "000FA5FF");
    EXPECT_EQ(from_bytes(bytes.data(), 2), "000F");
    EXPECT_EQ(from_bytes(bytes, Case::lower), "000fa5ff");
    std::string lower;
    append(lower, 0xDEADBEEF, 8, Case::lower);
    EXPECT_EQ(lower, "deadbeef");
    EXPECT_EQ(from_bytes(nullptr, 0), "");
}

TEST(HexText, WrittenBytesReadBack) {
    std::vector<std::uint8_t> all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<std::uint8_t>(b));
    const std::string text = from_bytes(all);
    ASSERT_EQ(text.size(), 512u);
    for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(byte_at(text, 2 * i), all[i]);
    EXPECT_EQ(lenient_bytes(text), all);
}

// The device library reads a pair the way strtol(base 16) reads it: up to the first
// character that is not a digit, low 8 bits kept.
TEST(HexText, LenientPairsFollowTheDeviceRule) {
    struct Pair {
        char high, low;
        std::uint8_t value;
    };
    const std::vector<Pair> cases = {
        {'A', 'b', 0xAB}, {'0', '0', 0x00}, {'G', '1', 0x00}, {'1', 'G', 0x01},
        {'Z', 'Z', 0x00}, {' ', '7', 0x07}, {'-', '1', 0xFF}, {'+', 'F', 0x0F},
    };
    for (const auto& c : cases) EXPECT_EQ(lenient_pair(c.high, c.low), c.value) << c.high << c.low;
    EXPECT_EQ(lenient_bytes("0102G"), (std::vector<std::uint8_t>{0x01, 0x02}))
        << "an odd last character is ignored";
    EXPECT_TRUE(lenient_bytes("").empty());
}

}  // namespace
}  // namespace orvalin::hex
