// Whole analyses: timing texts with realistic jitter, as the collection side
// writes them, recognised against code-info files built through the record
// builder, and the one-key table checked byte for byte.
#include "ircode/analysis.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "code_types.h"

namespace orvalin::ircode::test {
namespace {

constexpr double kJitter = 0.10;
constexpr int kTrials = 25;

std::vector<int> RandomBits(std::mt19937& rng, int count) {
    std::vector<int> bits;
    for (int i = 0; i < count; ++i) bits.push_back(static_cast<int>(rng() & 1));
    return bits;
}

// Packed byte of a binary field: the first symbol in bit 7; `one` is the letter
// that the field's bit 1 stands for.
std::string PackedBits(const std::vector<int>& bits, std::size_t from, std::size_t count,
                       bool set_for_one) {
    unsigned value = 0;
    for (std::size_t i = 0; i < count && i < 8; ++i) {
        const bool is_v = (bits[from + i] != 0) == set_for_one;
        if (is_v) value |= 0x80u >> i;
    }
    return Hex4(value).substr(2);
}

std::string KeyByte(int key) {
    return Hex4(static_cast<unsigned>(key)).substr(2);
}

TEST(Analysis, NecLikeCodeIsRecognisedWithItsRepeatFrame) {
    CodeInfoFile file({NecLike()});
    std::mt19937 rng(1001);
    for (int trial = 0; trial < kTrials; ++trial) {
        const auto bits = RandomBits(rng, 32);
        const std::string text =
            CaptureText({NecFrame(bits), NecRepeatFrame(), NecRepeatFrame()}, rng, kJitter);
        const int key = static_cast<int>(rng() % 153);
        const AnalysisResult result = analyse(text, key, file.path());
        ASSERT_EQ(result.record_index, 0) << text;
        EXPECT_EQ(result.type_name, "NEC-like");
        // P = 53, D = 63 (unit 556.5 us); the repeat order entry at 108 ms is
        // 648000 / 53 = 12226 = 0x2FC2 units of P.
        std::string data;
        for (int field = 0; field < 4; ++field) data += "47" + PackedBits(bits, 8 * field, 8, true);
        const std::string expected = "0001" + KeyByte(key) + "C70A00162000" + "12" +
                                     // timing block: T2 at 14, end 22, P-1, carrier byte
                                     // 7 x 5 + 3, D-1 twice, attributes, counts
                                     "0E16"
                                     "34"
                                     "26"
                                     "3E3E"
                                     "13"
                                     "22"
                                     "21"
                                     "11" +
                                     "C22F8001" +  // T1
                                     "0205"
                                     "02C080"
                                     "02C082" +  // T2
                                     "020E" +    // block offsets
                                     "07"
                                     "CF"
                                     "87" +
                                     data + "C0" +  // data frame
                                     "03"
                                     "CF"
                                     "83"
                                     "C0";  // repeat frame
        EXPECT_EQ(result.table, expected) << text;
        EXPECT_EQ(AnalyseLearnedCode(text, key, file.path()), expected);
    }
}

TEST(Analysis, SonyLikeCodeIsRecognised) {
    CodeInfoFile file({SonyLike()});
    std::mt19937 rng(2002);
    for (int trial = 0; trial < kTrials; ++trial) {
        const auto bits = RandomBits(rng, 12);
        const auto frame = SonyFrame(bits);
        const std::string text = CaptureText({frame, frame, frame}, rng, kJitter);
        const int key = static_cast<int>(rng() % 153);
        const AnalysisResult result = analyse(text, key, file.path());
        ASSERT_EQ(result.record_index, 0) << text;
        // P = 50, D = 72 (unit 600 us).
        const std::string expected = "0001" + KeyByte(key) + "C70A00121C0008" +
                                     "0A12"
                                     "31"
                                     "2D"
                                     "4747"
                                     "00"
                                     "00"
                                     "11"
                                     "10" +
                                     "0205"
                                     "02C080"
                                     "02C180" +
                                     "01" +
                                     "04"
                                     "C3"
                                     "80" +
                                     "46" + PackedBits(bits, 0, 7, true) + "44" +
                                     PackedBits(bits, 7, 5, true);
        EXPECT_EQ(result.table, expected) << text;
    }
}

TEST(Analysis, Rc5LikeCodeIsRecognised) {
    CodeInfoFile file({Rc5Like()});
    std::mt19937 rng(3003);
    for (int trial = 0; trial < kTrials; ++trial) {
        std::vector<int> bits{1, 1};
        for (const int bit : RandomBits(rng, 12)) bits.push_back(bit);
        const auto frame = Rc5Frame(bits);
        const std::string text = CaptureText({frame, frame}, rng, kJitter);
        const int key = static_cast<int>(rng() % 153);
        const AnalysisResult result = analyse(text, key, file.path());
        ASSERT_EQ(result.record_index, 0) << text;
        // P = 56, D = 96 (unit 896 us); u stands for bit 1, so bit 0 packs as 1.
        const std::string expected = "0001" + KeyByte(key) + "C70A00121C0009" +
                                     "0A12"
                                     "37"
                                     "1F"
                                     "5F5F"
                                     "00"
                                     "00"
                                     "11"
                                     "10" +
                                     "0205"
                                     "0280C0"
                                     "02C080" +
                                     "01" +
                                     "04"
                                     "41"
                                     "00"
                                     "70" +
                                     "44" + PackedBits(bits, 3, 5, false) + "45" +
                                     PackedBits(bits, 8, 6, false);
        EXPECT_EQ(result.table, expected) << text;
    }
}

}  // namespace
}  // namespace orvalin::ircode::test
