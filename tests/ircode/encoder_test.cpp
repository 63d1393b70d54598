// The code type encoders: time base, duration bytes, packed fields, the repeat
// block and the byte limits of the image.
#include "ircode/encoder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ircode/pattern_builder.h"
#include "ircode/time_base.h"
#include "tests/support/code_types.h"

namespace orvalin::ircode::test {
namespace {

std::optional<std::string> Encode(const CodeTypeDescription& d, std::string_view matched,
                                  int key = 0x21) {
    const CodeTypeRecord record = ToRecord(d);
    const auto pattern = BuildPattern(record);
    if (!pattern) return std::nullopt;
    return EncodeCodeType(record, matched, key, pattern->variables, BuildSymbolTable(record));
}

std::string Hex(const std::vector<int>& bytes) {
    std::string text;
    for (const int b : bytes) text += Hex4(static_cast<unsigned>(b)).substr(2);
    return text;
}

// The pieces of an image: header, timing block B, frame data F.
struct Image {
    std::string header, b, f;
};
Image Split(const std::string& text) {
    const auto byte = [&](std::size_t i) { return std::stoi(text.substr(2 * i, 2), nullptr, 16); };
    const std::size_t b_length = static_cast<std::size_t>(byte(6));
    return {text.substr(0, 20), text.substr(20, 2 * b_length), text.substr(20 + 2 * b_length)};
}

TEST(Encoder, LongDurationsAreSplitInSequenceBlocks) {
    struct Case {
        std::int64_t units;
        bool gap;
        const char* bytes;
        int extra;
    };
    const std::vector<Case> cases = {
        {65, true, "BF80", 1},  {64, true, "BF", 0},         {130, false, "FFFFC1", 2},
        {1, false, "C0", 0},    {1, true, "80", 0},          {0, true, "7F", 0},
        {128, true, "BFBF", 1}, {200, false, "FFFFFFC7", 3},
    };
    for (const auto& c : cases) {
        std::vector<int> out;
        EXPECT_EQ(AppendSplitDuration(out, c.units, c.gap), c.extra) << c.units;
        EXPECT_EQ(Hex(out), c.bytes) << c.units;
    }
}

TEST(Encoder, PackedFields) {
    struct Case {
        const char* letters;
        bool quaternary;
        const char* bytes;
    };
    const std::vector<Case> cases = {
        {"vuuuuuuv", false, "4781"},  {"xwvu", true, "53E4"},
        {"vvvvvvvvv", false, "48FF"},  // the ninth symbol counts but is not packed
        {"xxxxx", true, "54FF"},      {"v", false, "4080"},
        {"", false, "3F00"},          {"wx", true, "51B0"},
    };
    for (const auto& c : cases) {
        std::vector<int> out;
        const std::string letters = c.letters;
        AppendPackedField(out, letters, static_cast<int>(letters.size()), c.quaternary);
        EXPECT_EQ(Hex(out), c.bytes) << c.letters;
    }
    // A frame with fewer letters than the field asks for packs what is there.
    std::vector<int> out;
    AppendPackedField(out, "v", 8, false);
    EXPECT_EQ(Hex(out), "4780");
}

TEST(Encoder, RepeatFieldsComeFromTheirDefaultValue) {
    struct Case {
        std::uint32_t item_value;
        bool quaternary;
        const char* letters;
    };
    const std::vector<Case> cases = {
        {(8u << 16) | 0x00A5, true, "uuuuuu"},  // A and 5 give no letter
        {(8u << 16) | 0x00A5, false, "uuuuuu"},
        {(4u << 16) | 0x0123, true, "uvwx"},
        {(4u << 16) | 0x0123, false, "uv"},
        {(2u << 16) | 0x0031, true, "xv"},  // the low n digits
        {(0u << 16) | 0x0031, true, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DefaultFieldLetters(c.item_value, c.quaternary), c.letters) << c.item_value;
    }
    std::vector<int> quaternary;
    AppendPackedField(quaternary, "uuuuuu", 6, true);
    EXPECT_EQ(Hex(quaternary), "5500");
    std::vector<int> binary;
    AppendPackedField(binary, "uuuuuu", 6, false);
    EXPECT_EQ(Hex(binary), "4500");
}

TEST(Encoder, ToggleByte) {
    EXPECT_EQ(ToggleByte(0, 1), 0x10);
    EXPECT_EQ(ToggleByte(1, 0), 0x40);
    EXPECT_EQ(ToggleByte(3, 2), 0xE0);
    EXPECT_EQ(ToggleByte(4, 0), 0x100);  // does not fit a byte
}

TEST(TimeBase, Divisors) {
    struct Case {
        std::int64_t a, m, result;
    };
    const std::vector<Case> approx = {
        {100, 200, 100},    {100, 100, 100},       {100, 0, 100}, {-7, 3, 1},
        {5000, 4233, 2550}, {88900, 44450, 44450}, {101, 50, 50}, {0, 4233, 0},
    };
    for (const auto& c : approx) {
        EXPECT_EQ(ApproxDivisor(c.a, c.m), c.result) << c.a << " " << c.m;
    }
    struct Common {
        std::vector<std::int64_t> values;
        std::int64_t result;
    };
    const std::vector<Common> common = {
        {{}, 1},           {{63, 1020, 192, 510, 255}, 63}, {{0, 5}, 1}, {{-72, 144, 288}, 72},
        {{600, 900}, 153},  // 600 = 4 x 153 - 12 and 900 = 6 x 153 - 18, both within 2 %
        {{7, 11}, 1},
    };
    for (const auto& c : common) EXPECT_EQ(CommonDivisor(c.values), c.result);
}

TEST(TimeBase, ExampleCodeTypes) {
    struct Case {
        const char* name;
        CodeTypeDescription record;
        std::int64_t p, d;
    };
    const std::vector<Case> cases = {
        {"NEC", NecLike(), 53, 63},
        {"Sony", SonyLike(), 50, 72},
        {"RC5", Rc5Like(), 56, 96},
    };
    for (const auto& c : cases) {
        const auto base = ComputeTimeBase(ToRecord(c.record));
        ASSERT_TRUE(base.has_value()) << c.name;
        EXPECT_EQ(base->prescaler, c.p) << c.name;
        EXPECT_EQ(base->divisor, c.d) << c.name;
        EXPECT_EQ(base->multiplier, 3) << c.name;
    }
    // Without carrier: the divisor search over the durations themselves.
    auto plain = RecordBuilder("plain").NoCarrier().Symbol({Pulse(100), Gap(100)}).Build();
    const auto base = ComputeTimeBase(ToRecord(plain));
    ASSERT_TRUE(base.has_value());
    // gcd 10000, then 5000; the largest c <= 4233 within 100 of a divisor of 5000.
    EXPECT_EQ(base->t, 2550);
    EXPECT_EQ(base->prescaler, 153);
}

// A 40 kHz record with carrier divisor 1: T = 2500 (25 us), P = 150; all durations
// are multiples of 100 us, so D = 4 and one unit is 600 ticks = 100 us.
CodeTypeDescription HundredMicrosecondUnit() {
    return RecordBuilder("unit 100 us")
        .Carrier(40000, 2, 1)
        .Symbol({Pulse(100), Gap(100)})
        .Symbol({Pulse(100), Gap(200)})
        .Sequence({Pulse(13000), Gap(6500), Data(8), Gap(6400)})
        .FrameOrder({Period(0, 5000)}, 1);
}

TEST(Encoder, SplitDurationsRaiseTheBlockCount) {
    const auto text = Encode(HundredMicrosecondUnit(), "32C81964vuuuuuuv1900h0032");
    ASSERT_TRUE(text.has_value());
    const Image image = Split(*text);
    EXPECT_EQ(image.b.substr(4, 8),
              "950F"
              "0303");  // P - 1 = 149, carrier 7 x 2 + 1, D - 1 = 3
    // 4 items; the pulse of 130 units takes 2 extra bytes, the gap of 65 units one.
    EXPECT_EQ(image.f,
              "01"
              "07"
              "FFFFC1"
              "BF80"
              "4781"
              "BF");
}

TEST(Encoder, CarrierByte) {
    auto with_carrier = HundredMicrosecondUnit();
    with_carrier.carrier_code = 9;
    auto without = with_carrier;
    without.no_carrier = true;
    const auto a = Encode(with_carrier, "32C81964vuuuuuuv1900h0032");
    const auto b = Encode(without, "32C81964vuuuuuuv1900h0032");
    ASSERT_TRUE(a.has_value());
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ(Split(*a).b.substr(6, 2), "40");  // 7 x 9 + 1
    EXPECT_EQ(Split(*b).b.substr(6, 2), "80");
}

TEST(Encoder, QuaternaryCodeWithToggleAndRepeatBlock) {
    const auto record = QuaternaryLike();
    const auto text = Encode(record, "0BB805DCxwvuv01F4h0032");
    ASSERT_TRUE(text.has_value());
    // Unit: T = 2500, P = 150, durations 20.. in T, D = 20: 3000 ticks = 500 us.
    const Image image = Split(*text);
    EXPECT_EQ(image.b.substr(4, 6),
              "95"
              "0F"
              "13");
    EXPECT_EQ(image.f,
              "020A"  // offsets: 2, then 2 + 8
              "05"
              "C5"
              "82"
              "53E4"
              "74E0"
              "C0"  // data frame
              "04"
              "C5"
              "85"
              "5500"
              "74E0");  // repeat frame
}

TEST(Encoder, VariablesAreReadAsTheBuilderFinishedThem) {
    // Set A variable 0 is defined with 3 symbols in sequence 0 and redefined with 5 in
    // sequence 1: the image of sequence 0 uses the final length 5.
    const auto record = RecordBuilder("variables")
                            .Carrier(40000, 2, 1)
                            .Symbol({Pulse(100), Gap(100)})
                            .Symbol({Pulse(100), Gap(200)})
                            .Sequence({Pulse(1000), make_item(0x08, 0x03), Pulse(100)})
                            .Sequence({Pulse(1000), make_item(0x08, 0x05), Pulse(100)})
                            .FrameOrder({Period(0, 5000)}, 1)
                            .Build();
    const auto pattern = BuildPattern(ToRecord(record));
    ASSERT_TRUE(pattern.has_value());
    EXPECT_EQ(pattern->text, "03E8uuu0064h003203E8uuu0064");
    EXPECT_EQ(pattern->variables.set_a[0], 5);
    // The field takes 5 characters: "vvv" and the first two digits of the pulse.
    const auto text = Encode(record, "03E8vvv0064h0032");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(Split(*text).f,
              "02"
              "03"
              "C9"
              "44E0"
              "C0");
}

TEST(Encoder, SequenceMetAgainIsNotWrittenAgain) {
    auto record = HundredMicrosecondUnit();
    record.sequences.push_back({Pulse(1000), Data(2)});
    record.frame_order = {Period(0, 5000), Period(1, 5000), Period(0, 5000)};
    record.repeat_tail = 0;
    const auto text = Encode(record,
                             "32C81964vvvvvvvv1900h0032"
                             "03E8vvh0032"
                             "ignored");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(Split(*text).f,
              "02"
              "0B"
              "07FFFFC1BF8047FFBF"
              "02C9"
              "41C0");
}

TEST(Encoder, MatchedTextWithoutSeparatorIsUsedUp) {
    auto record = HundredMicrosecondUnit();
    record.sequences.push_back({Pulse(1000), Data(2)});
    record.frame_order = {Period(0, 5000), Period(1, 5000)};
    const auto text = Encode(record, "32C81964vvvvvvvv1900");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(Split(*text).f.substr(Split(*text).f.size() - 8), "02C94100");
}

TEST(Encoder, ImagesThatDoNotFitABytePlaceAreRefused) {
    const std::string matched = "32C81964vuuuuuuv1900h0032";
    ASSERT_TRUE(Encode(HundredMicrosecondUnit(), matched).has_value());
    struct Case {
        const char* name;
        CodeTypeDescription record;
        int key;
    };
    auto slow_carrier = HundredMicrosecondUnit();
    slow_carrier.carrier_hz = 1000;  // P = 6000
    auto big_carrier_code = HundredMicrosecondUnit();
    big_carrier_code.carrier_code = 40;  // 7 x 40 + 1
    auto long_entry = HundredMicrosecondUnit();
    long_entry.frame_order.push_back(Period(0, 0xFFFFF));
    auto wide_field = HundredMicrosecondUnit();
    wide_field.sequences[0][2] = Data(200);
    auto toggle = HundredMicrosecondUnit();
    toggle.symbols.push_back({Pulse(100), Gap(300)});
    toggle.sequences[0].push_back(Toggle());
    toggle.toggle_width = 1;
    toggle.toggle_a = 4;
    auto long_repeat = HundredMicrosecondUnit();
    long_repeat.sequences.push_back({Pulse(6500)});  // 65 units: 191 + 65 in one byte
    long_repeat.repeat_order = {Period(1, 5000)};
    auto outside_variable = HundredMicrosecondUnit();
    outside_variable.sequences[0].push_back(make_item(0x0D, 0x50));  // encoder: variable 5
    auto no_carrier_divisor = HundredMicrosecondUnit();
    no_carrier_divisor.carrier_divisor = 0;
    auto big_key_piece = HundredMicrosecondUnit();
    big_key_piece.sequences.assign(6, std::vector<std::uint32_t>(32, Pulse(100)));
    big_key_piece.frame_order = {Period(0, 1), Period(1, 1), Period(2, 1),
                                 Period(3, 1), Period(4, 1), Period(5, 1)};
    const std::vector<Case> cases = {
        {"key number 256", HundredMicrosecondUnit(), 256},
        {"negative key number", HundredMicrosecondUnit(), -1},
        {"prescaler above 256", slow_carrier, 1},
        {"carrier byte", big_carrier_code, 1},
        {"frame order time", long_entry, 1},
        {"field of 200 symbols", wide_field, 1},
        {"toggle byte", toggle, 1},
        {"repeat duration byte", long_repeat, 1},
        {"variable outside the table", outside_variable, 1},
        {"carrier divisor 0", no_carrier_divisor, 1},
        {"key piece over 127 bytes", big_key_piece, 1},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(Encode(c.record, matched, c.key).has_value()) << c.name;
    }
}

}  // namespace
}  // namespace orvalin::ircode::test
