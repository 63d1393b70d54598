// The readable code-type sources: what a source line becomes in the record,
// and the problems the reader stops at with "file:line: message".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "ircode/codeinfo_writer.h"
#include "tools/codeinfo/codeinfo_source.h"

namespace {

using orvalin::codeinfo::parse_source;
using orvalin::codeinfo::read_sources;
using orvalin::codeinfo::SourceError;
using orvalin::ircode::make_item;

const char* kNec = R"(# comment line
type NEC test 1
carrier 38000 divisor 3   # trailing comment
symbol 560 -560
symbol 560 -1690.5
toggle width 1 first 0 second 1
sequence 9000 -4500 data 8 data 4=A toggle 560
sequence 9000 -2250 560
frame 0 period 108ms
tail 1
repeat 1 gap 96.5ms
attributes high 1 byte 200 low 15
end
)";

TEST(CodeInfoSource, EveryDirectiveBecomesItsItems) {
    const auto records = parse_source(kNec, "nec.cis");
    ASSERT_EQ(records.size(), 1u);
    const auto& d = records[0];
    EXPECT_EQ(d.name, "NEC test 1");
    EXPECT_FALSE(d.no_carrier);
    EXPECT_EQ(d.carrier_hz, 38000);
    EXPECT_EQ(d.carrier_divisor, 3);
    ASSERT_EQ(d.symbols.size(), 2u);
    // Durations in hundredths of a microsecond; pulses type 0x04, gaps 0x00.
    EXPECT_EQ(d.symbols[1],
              (std::vector<std::uint32_t>{make_item(0x04, 56000), make_item(0x00, 169050)}));
    EXPECT_EQ(d.toggle_width, 1);
    EXPECT_EQ(d.toggle_b, 1);
    ASSERT_EQ(d.sequences.size(), 2u);
    EXPECT_EQ(d.sequences[0],
              (std::vector<std::uint32_t>{
                  make_item(0x04, 900000), make_item(0x00, 450000), make_item(0x0F, 8u << 16),
                  make_item(0x0F, (4u << 16) | 0xA), make_item(0x0B, 0), make_item(0x04, 56000)}));
    // Frame entries: sequence in bits 23..20, time in 10 us; 0x19 period, 0x10 gap.
    EXPECT_EQ(d.frame_order, (std::vector<std::uint32_t>{make_item(0x19, 10800)}));
    EXPECT_EQ(d.repeat_order, (std::vector<std::uint32_t>{make_item(0x10, (1u << 20) | 9650)}));
    EXPECT_EQ(d.repeat_tail, 1);
    EXPECT_EQ(d.attr_high, 1);
    EXPECT_EQ(d.attr_byte, 200);
    EXPECT_EQ(d.attr_low, 15);
}

TEST(CodeInfoSource, CarrierNone) {
    std::string text = kNec;
    text.replace(text.find("carrier 38000 divisor 3"), 23, "carrier none");
    const auto records = parse_source(text, "x.cis");
    EXPECT_TRUE(records.at(0).no_carrier);
}

struct BadSource {
    const char* name;
    const char* replace;  // text of kNec to replace
    const char* with;
    const char* message;  // expected error, "file:line: ..." included
};

class CodeInfoSourceRefuses : public ::testing::TestWithParam<BadSource> {};

TEST_P(CodeInfoSourceRefuses, WithFileAndLine) {
    std::string text = kNec;
    const BadSource& c = GetParam();
    const std::size_t at = text.find(c.replace);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, std::string(c.replace).size(), c.with);
    try {
        parse_source(text, "bad.cis");
        FAIL() << "accepted";
    } catch (const SourceError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, CodeInfoSourceRefuses,
    ::testing::Values(
        BadSource{"unknown_word", "tail 1", "tial 1", "bad.cis:10: unknown word \"tial\""},
        BadSource{"bad_number", "symbol 560 -560", "symbol 560 -5x0",
                  "bad.cis:4: bad duration \"5x0\""},
        BadSource{"zero_duration", "symbol 560 -560", "symbol 560 0",
                  "bad.cis:4: a duration must not be zero"},
        BadSource{"too_long_duration", "9000 -4500", "90000 -4500",
                  "bad.cis:7: duration 90000 us is longer"},
        BadSource{"uneven_symbols", "symbol 560 -560", "symbol 560 -560 560",
                  "bad.cis:2: type NEC test 1: all symbols"},
        BadSource{"field_not_a_number", "data 4=A", "data x", "bad.cis:7: expected a whole number"},
        BadSource{"field_above_eight", "data 4=A", "data 12",
                  "bad.cis:7: data field length 12 is above 8"},
        BadSource{"default_too_large", "data 4=A", "data 4=1FFFF", "bad.cis:7: bad default value"},
        BadSource{"frame_without_unit", "period 108ms", "period 108",
                  "bad.cis:9: a frame time needs a unit"},
        BadSource{"frame_too_long", "period 108ms", "period 20000ms",
                  "bad.cis:9: frame time 20000ms is too long"},
        BadSource{"first_frame_not_zero", "frame 0 period", "frame 1 period",
                  "bad.cis:9: the first frame must be sequence 0"},
        BadSource{"no_separator", "tail 1\n", "",
                  "bad.cis:2: type NEC test 1: needs a second frame"},
        BadSource{"repeat_not_last", "repeat 1 gap", "repeat 0 gap",
                  "bad.cis:11: a repeat entry must name the last sequence"},
        BadSource{"unused_sequence", "repeat 1 gap 96.5ms\n", "",
                  "bad.cis:2: type NEC test 1: every sequence must be"},
        BadSource{"toggle_width_three", "width 1", "width 3",
                  "bad.cis:6: toggle width 3 is above 2"},
        BadSource{"toggle_without_line", "toggle width 1 first 0 second 1\n", "",
                  "bad.cis:6: \"toggle\" used without"},
        BadSource{"name_too_long", "type NEC test 1", "type NEC test 1 with a long name",
                  "bad.cis:2: name longer than 20"},
        BadSource{"missing_end", "end\n", "", "bad.cis:12: type NEC test 1 has no \"end\""},
        BadSource{"outside_type", "type NEC test 1\n", "", "bad.cis:2: \"carrier\" outside a type"},
        BadSource{"carrier_periods", "symbol 560 -560", "symbol 21p -21p",
                  "bad.cis:4: give durations in microseconds, not carrier periods"},
        BadSource{"divisor_zero", "divisor 3", "divisor 0", "bad.cis:3: divisor must be 1 to 6"},
        BadSource{"carrier_code_clash", "divisor 3", "divisor 2 code 18",
                  "bad.cis:3: carrier code and divisor give 0x80"}),
    [](const ::testing::TestParamInfo<BadSource>& info) { return std::string(info.param.name); });

TEST(CodeInfoSource, NamesAreUniqueAcrossFiles) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "codeinfo_source_test";
    std::filesystem::create_directories(dir);
    for (const char* file : {"a.cis", "b.cis"}) std::ofstream(dir / file) << kNec;
    try {
        read_sources({(dir / "a.cis").string(), (dir / "b.cis").string()});
        FAIL() << "accepted";
    } catch (const SourceError& e) {
        EXPECT_NE(std::string(e.what()).find("type NEC test 1 is defined in another file too"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_THROW(read_sources({(dir / "missing.cis").string()}), SourceError);
    std::filesystem::remove_all(dir);
}

}  // namespace
