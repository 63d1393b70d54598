// Whole analyses: timing texts with realistic jitter, as the collection side
// writes them, recognised against code-info files built through the record
// builder, and the one-key table checked byte for byte.
#include "ircode/analysis.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "ircode/codeinfo_layout.h"
#include "tests/support/code_types.h"

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

TEST(Analysis, QuaternaryCodeWithToggleIsRecognised) {
    CodeInfoFile file({QuaternaryLike()});
    std::mt19937 rng(5005);
    const char* const letters = "uvwx";
    for (int trial = 0; trial < kTrials; ++trial) {
        // Four data symbols and the toggle, each a 500 us pulse and a gap of 1..4 x 500 us.
        SignalFrame frame{{3000, -1500}, 0};
        std::string data;
        unsigned packed = 0;
        for (int i = 0; i < 5; ++i) {
            const int symbol = static_cast<int>(rng() % 4);
            frame.durations.push_back(500);
            frame.durations.push_back(-500 * (symbol + 1));
            if (i < 4) {
                data += letters[symbol];
                packed |= static_cast<unsigned>(symbol) << (6 - 2 * i);
            }
        }
        frame.durations.push_back(500);
        int length = 0;
        for (const int d : frame.durations) length += std::abs(d);
        frame.gap_after_us = 50000 - length;
        const std::string text = CaptureText({frame, frame}, rng, kJitter);
        const int key = static_cast<int>(rng() % 153);
        const AnalysisResult result = analyse(text, key, file.path());
        ASSERT_EQ(result.record_index, 0) << text;
        // P = 150, D = 20 (unit 500 us); the repeat entry at 50 ms is 2000 units of P.
        const std::string expected = "0001" + KeyByte(key) + "C70A001E280011" +
                                     "0E1E"
                                     "95"
                                     "0F"
                                     "1313"
                                     "00"
                                     "00"
                                     "21"
                                     "11" +
                                     "D0078001" +
                                     "04070A0D"
                                     "02C080"
                                     "02C081"
                                     "02C082"
                                     "02C083" +
                                     "020A" +
                                     "05"
                                     "C5"
                                     "82"
                                     "53" +
                                     Hex4(packed).substr(2) +
                                     "74E0"
                                     "C0" +
                                     "04"
                                     "C5"
                                     "85"
                                     "5500"
                                     "74E0";
        EXPECT_EQ(result.table, expected) << text << " " << data;
    }
}

}  // namespace
}  // namespace orvalin::ircode::test

namespace orvalin::ircode::test {
namespace {

std::string CleanNecText() {
    std::mt19937 rng(42);
    std::vector<int> bits;
    for (int i = 0; i < 32; ++i) bits.push_back(i % 3 == 0);
    return CaptureText({NecFrame(bits), NecRepeatFrame()}, rng, 0.05);
}

TEST(Analysis, EachCodeTypeIsTakenByItsOwnRecord) {
    CodeInfoFile file({Rc5Like(), SonyLike(), NecLike()});
    std::mt19937 rng(4004);
    for (int trial = 0; trial < 10; ++trial) {
        const auto sony = SonyFrame(RandomBits(rng, 12));
        std::vector<int> rc5_bits{1, 1};
        for (const int bit : RandomBits(rng, 12)) rc5_bits.push_back(bit);
        const auto rc5 = Rc5Frame(rc5_bits);
        EXPECT_EQ(
            analyse(CaptureText({NecFrame(RandomBits(rng, 32)), NecRepeatFrame()}, rng, kJitter), 1,
                    file.path())
                .record_index,
            2);
        EXPECT_EQ(analyse(CaptureText({sony, sony}, rng, kJitter), 1, file.path()).record_index, 1);
        EXPECT_EQ(analyse(CaptureText({rc5, rc5}, rng, kJitter), 1, file.path()).record_index, 0);
    }
}

TEST(Analysis, TextsThatDoNotConvertGiveNoFit) {
    const std::string good = CleanNecText();
    CodeInfoFile file({NecLike()});
    ASSERT_FALSE(AnalyseLearnedCode(good, 1, file.path()).empty());
    std::string bad_digit = good;
    bad_digit[9] = 'G';
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"non-hex digit", bad_digit},
        {"cut inside the lead-in", good.substr(0, 6)},
        {"cut after the lead-in", good.substr(0, 8)},
        {"cut inside a gap block", good.substr(0, good.find("FEFE") + 6)},
        {"gap block without digits", good.substr(0, good.find("FEFE") + 4)},
        {"spaces", "2328 1194 0230"},
        {"text", "hello world, this is not a timing text EDED"},
        {"marks only", "FEFEFEFEEDEDEDED"},
    };
    for (const auto& [name, text] : cases) {
        std::string table = "unset";
        EXPECT_NO_THROW(table = AnalyseLearnedCode(text, 1, file.path())) << name;
        EXPECT_EQ(table, "") << name;
    }
}

TEST(Analysis, KeyNumberMustFitItsByte) {
    const std::string text = CleanNecText();
    CodeInfoFile file({NecLike()});
    EXPECT_EQ(AnalyseLearnedCode(text, 255, file.path()).substr(4, 2), "FF");
    EXPECT_EQ(AnalyseLearnedCode(text, 0, file.path()).substr(4, 2), "00");
    EXPECT_EQ(AnalyseLearnedCode(text, 256, file.path()), "");
    EXPECT_EQ(AnalyseLearnedCode(text, -1, file.path()), "");
}

TEST(Analysis, NoFileNoRecordsNoFit) {
    const std::string text = CleanNecText();
    TempFolder folder;
    EXPECT_EQ(AnalyseLearnedCode(text, 1, folder.path() / "QZ01.csl"), "");
    CodeInfoFile empty({});
    EXPECT_EQ(AnalyseLearnedCode(text, 1, empty.path()), "");
    CodeInfoFile others({SonyLike(), Rc5Like()});
    const AnalysisResult none = analyse(text, 1, others.path());
    EXPECT_EQ(none.table, "");
    EXPECT_EQ(none.record_index, -1);
    EXPECT_EQ(none.type_name, "");
}

// Records that cannot be used are passed over and the next code type is tried.
TEST(Analysis, UnusableRecordsArePassedOver) {
    const std::string text = CleanNecText();
    auto no_symbols = NecLike("no symbols");
    no_symbols.symbols.clear();
    // One odd duration (a trailing pulse of 613 us) collapses the divisor: the
    // repeat frame's 9000 us pulse no longer fits a byte.
    auto odd_duration = NecLike("odd duration");
    odd_duration.sequences[0].back() = Pulse(613);
    auto long_duration = NecLike("long duration");
    long_duration.sequences[0][1] = make_item(0x05, 7000);  // 70 ms: beyond four digits
    auto unknown_sequence = NecLike("unknown sequence");
    unknown_sequence.frame_order = {Period(3, 10800)};
    const std::vector<CodeTypeDescription> unusable = {no_symbols, odd_duration, long_duration,
                                                       unknown_sequence};
    for (const auto& record : unusable) {
        CodeInfoFile alone({record});
        EXPECT_EQ(analyse(text, 1, alone.path()).record_index, -1) << record.name;
        CodeInfoFile before({record, NecLike()});
        EXPECT_EQ(analyse(text, 1, before.path()).record_index, 1) << record.name;
    }
}

TEST(Analysis, MalformedRecordIsPassedOver) {
    const std::string text = CleanNecText();
    auto bytes = encode_codeinfo_file({NecLike(), NecLike("second")});
    // Counts of the first record far above their maxima.
    const std::size_t body = 1 + 36 + kRecordNameSize;
    for (const std::size_t offset : {layout::kSymbolCount, layout::kSequenceCount,
                                     layout::kFrameOrderCount, layout::kRepeatOrderCount}) {
        auto broken = bytes;
        broken[body + offset] = 0xFF;
        TempFolder folder;
        WriteBytes(folder.path() / "QZ01.csl", broken);
        const AnalysisResult result = analyse(text, 1, folder.path() / "QZ01.csl");
        EXPECT_EQ(result.record_index, 1) << offset;
        EXPECT_EQ(result.type_name, "second") << offset;
    }
    // A body of nothing but 0xFF bytes.
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(body),
              bytes.begin() + static_cast<std::ptrdiff_t>(body + kRecordBodySize), 0xFF);
    TempFolder folder;
    WriteBytes(folder.path() / "QZ01.csl", bytes);
    EXPECT_EQ(analyse(text, 1, folder.path() / "QZ01.csl").record_index, 1);
}

}  // namespace
}  // namespace orvalin::ircode::test
