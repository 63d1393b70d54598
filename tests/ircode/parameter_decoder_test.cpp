// The protocol parameters read back from learned keys: presses generated from
// each protocol's public definition are learned through the capture and the
// analysis with the built QZ01.csl, and the decoder must give back the numbers
// they were generated from. Then the parameter table reader on bad lines.
#include "ircode/parameter_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "ircode/analysis.h"
#include "ircode/replay.h"
#include "learning/signal_capture.h"
#include "tests/support/protocol_signals.h"

namespace {

using namespace orvalin;

struct Case {
    const char* protocol;
    std::vector<unsigned> parameters;
    int toggle;
    const char* expected;  // the decoded parameters as the key list shows them
};

// Per protocol: the edges of its numbers and values in between. Where a
// protocol's subdevice repeats the device inverted, it is not shown.
const Case kCases[] = {
    {"NEC1", {4, 0, 21}, 0, "device=4 function=21"},
    {"NEC1", {0, 0, 0}, 0, "device=0 function=0"},
    {"NEC1", {255, 0, 255}, 0, "device=255 function=255"},
    {"NEC extended", {4, 0x12, 21}, 0, "device=4 subdevice=18 function=21"},
    {"NEC extended", {0x80, 0x7F, 200}, 0, "device=128 function=200"},
    {"NEC extended", {0xFF, 0xFF, 1}, 0, "device=255 subdevice=255 function=1"},
    {"uPD6121", {1, 0, 2}, 0, "device=1 function=2"},
    {"NEC2", {0x20, 0x11, 0x0B}, 0, "device=32 subdevice=17 function=11"},
    {"NEC2", {0x01, 0xFE, 0x80}, 0, "device=1 function=128"},
    {"Pioneer", {0xAA, 0, 0x1C}, 0, "device=170 function=28"},
    {"TC9012", {0x40, 0, 0x12}, 0, "device=64 subdevice=64 function=18"},
    {"TC9012", {0xFF, 0, 0x00}, 0, "device=255 subdevice=255 function=0"},
    {"Samsung32", {7, 0, 2}, 0, "device=7 subdevice=7 function=2"},
    {"Samsung32", {0xE0, 0, 0xE0}, 0, "device=224 subdevice=224 function=224"},
    {"Sony12", {21, 1}, 0, "function=21 device=1"},
    {"Sony12", {127, 31}, 0, "function=127 device=31"},
    {"Sony12", {0, 0}, 0, "function=0 device=0"},
    {"Sony15", {0x3A, 0x97}, 0, "function=58 device=151"},
    {"Sony15", {1, 0x80}, 0, "function=1 device=128"},
    {"Sony20", {0x15, 0x1A, 0x44}, 0, "function=21 device=26 subdevice=68"},
    {"Sony20", {0, 0, 0}, 0, "function=0 device=0 subdevice=0"},
    {"Sony20", {127, 16, 128}, 0, "function=127 device=16 subdevice=128"},
    {"RC5", {0, 16}, 0, "device=0 function=16"},
    {"RC5", {5, 83}, 1, "device=5 function=83"},
    {"RC5", {31, 127}, 0, "device=31 function=127"},
    {"RC5", {0, 64}, 1, "device=0 function=64"},
    {"RC6", {4, 12}, 0, "mode=0 device=4 function=12"},
    {"RC6", {255, 0}, 1, "mode=0 device=255 function=0"},
    {"RC6 MCE", {0x0F, 0x0D}, 1, "mode=6 oem=32783 toggle=1 device=15 function=13"},
    {"RC6 MCE", {127, 255}, 0, "mode=6 oem=32783 toggle=0 device=127 function=255"},
    {"JVC", {3, 0x17}, 0, "device=3 function=23"},
    {"JVC", {0xFF, 0}, 0, "device=255 function=0"},
    {"Panasonic", {0x80, 0x01, 0x3D}, 0, "manufacturer=8194 device=128 subdevice=1 function=61"},
    {"Panasonic", {0, 0, 0}, 0, "manufacturer=8194 device=0 subdevice=0 function=0"},
    {"Sharp", {1, 0xC2}, 0, "device=1 function=194 tail=1"},
    {"Sharp", {31, 0xFF}, 0, "device=31 function=255 tail=1"},
    {"Denon", {5, 0x20}, 0, "device=5 function=32 tail=0"},
    {"Mitsubishi", {0x47, 0x2A}, 0, "device=71 function=42"},
    {"Mitsubishi", {0xFF, 0xFF}, 0, "device=255 function=255"},
    {"Sanyo LC7461", {0x1ABC, 0x5A}, 0, "device=6844 function=90"},
    {"Aiwa", {0x0123, 0xFF}, 0, "device=291 function=255"},
    {"RCA", {0xA, 0x5C}, 0, "device=10 function=92"},
    {"RCA", {0xF, 0}, 0, "device=15 function=0"},
    {"RC-MM", {0x12, 0x34, 0x56, 0x78}, 0, "device=18 subdevice=52 extension=86 function=120"},
    {"RC-MM", {0xFF, 0, 0xA5, 3}, 0, "device=255 subdevice=0 extension=165 function=3"},
};

const std::filesystem::path& codeinfo() {
    static const std::filesystem::path path =
        std::filesystem::path(ORVALIN_PROGRAM_DIR) / ircode::kCodeInfoFileName;
    return path;
}

TEST(ParameterDecoder, LearnedPressesGiveBackTheirParameters) {
    std::mt19937 rng(2312);
    for (const Case& c : kCases) {
        const protocols::Protocol& p = protocols::protocol(c.protocol);
        // Exact timing and the jitter of a receiver.
        for (const double jitter : {0.0, 0.06}) {
            const auto g =
                protocols::generate(p, c.parameters, c.toggle, p.frames_per_press, rng, jitter);
            const std::string timing = ir_signals::timing_text_of(g.signal);
            SCOPED_TRACE(std::string(c.protocol) + " " + c.expected + " jitter " +
                         std::to_string(jitter) + ": " + timing);
            ASSERT_GT(timing.size(), 5u);
            const auto result =
                ircode::analyse(std::string_view(timing).substr(5), 0x10, codeinfo());
            ASSERT_FALSE(result.table.empty()) << "not recognised";
            std::vector<std::string> accepted = p.types;
            accepted.insert(accepted.end(), p.lone_types.begin(), p.lone_types.end());
            EXPECT_NE(std::find(accepted.begin(), accepted.end(), result.type_name), accepted.end())
                << result.type_name;
            const auto replayed = ircode::replay_table(result.table);
            ASSERT_TRUE(replayed);
            const auto* entry =
                ircode::find_parameters(ircode::builtin_parameter_table(), result.type_name);
            ASSERT_NE(entry, nullptr) << "no parameters for " << result.type_name;
            const auto decoded = ircode::decode_parameters(*entry, *replayed);
            ASSERT_TRUE(decoded);
            EXPECT_EQ(ircode::parameters_text(*decoded), c.expected);
        }
    }
}

// Every code type of the built library has its parameters in the table, and
// the table names no type the library lacks.
TEST(ParameterDecoder, TableCoversEveryCodeTypeOfTheLibrary) {
    std::vector<ircode::CodeTypeRecord> records;
    ASSERT_TRUE(ircode::LoadCodeInfo(codeinfo(), records));
    const auto& table = ircode::builtin_parameter_table();
    ASSERT_FALSE(table.empty());
    for (const auto& r : records)
        EXPECT_NE(ircode::find_parameters(table, r.name_text()), nullptr) << r.name_text();
    for (const auto& e : table)
        EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const auto& r) {
            return r.name_text() == e.type_name;
        })) << e.type_name;
}

TEST(ParameterDecoder, BadTableLinesAreRefusedWithTheirLine) {
    struct Bad {
        const char* text;
        const char* message;
    };
    const Bad bad[] = {
        {"NEC1 u=0 v=1 lsb device=0+8", "line 1: expected"},
        {"# c\nNEC1: u=0 v=1 device=0+8", "line 2: a code type needs its bit order"},
        {"NEC1: u=0 v=1 lsb", "line 1: a code type needs"},
        {"NEC1: u=2 v=1 lsb device=0+8", "line 1: symbol value u=2"},
        {"NEC1: u=0 v=1 lsb device=0+33", "line 1: cannot read"},
        {"NEC1: u=0 v=1 lsb device=0+0", "line 1: cannot read"},
        {"NEC1: u=0 v=1 lsb device=0+20,20+20", "line 1: cannot read"},
        {"NEC1: u=0 v=1 lsb device=x+8", "line 1: cannot read"},
        {"NEC1: u=0 v=1 lsb sub=8+8~dev", "line 1: field sub refers to no field dev"},
        {"NEC1: u=0 lsb d=0+8\nNEC1: u=0 lsb d=0+8", "line 2: code type NEC1 appears twice"},
        {"RC-MM: bits=3 u=0 msb d=0+8", "line 1: bits= takes 1 or 2"},
    };
    for (const Bad& b : bad) {
        std::string error;
        EXPECT_FALSE(ircode::parse_parameter_table(b.text, &error)) << b.text;
        EXPECT_EQ(error.rfind(b.message, 0), 0u) << b.text << " -> " << error;
    }
}

// A frame too short for a field, or sending a symbol with no value, decodes to
// nothing rather than to made-up numbers.
TEST(ParameterDecoder, FramesThatDoNotCarryTheFieldsDecodeToNothing) {
    const auto table = ircode::parse_parameter_table("T: u=0 v=1 msb d=0+4 f=!4+2\n");
    ASSERT_TRUE(table && table->size() == 1);
    ircode::ReplayedSignal s;
    s.frame_symbols = {{1, 0, 1, 1, 0, 1}};
    const auto ok = ircode::decode_parameters(table->front(), s);
    ASSERT_TRUE(ok);
    EXPECT_EQ(ircode::parameters_text(*ok), "d=11 f=2");
    s.frame_symbols = {{1, 0, 1, 1, 0}};
    EXPECT_FALSE(ircode::decode_parameters(table->front(), s));
    s.frame_symbols = {{1, 0, 2, 1, 0, 1}};
    EXPECT_FALSE(ircode::decode_parameters(table->front(), s));
    s.frame_symbols.clear();
    EXPECT_FALSE(ircode::decode_parameters(table->front(), s));
}

// NEC's third and fourth bytes: the inverted function byte is shown only when a
// remote sends something else there, and S only when it is not ~D.
TEST(ParameterDecoder, NecShowsOnlyWhatIsNotTheUsualComplement) {
    const auto* nec1 = ircode::find_parameters(ircode::builtin_parameter_table(), "NEC1");
    ASSERT_NE(nec1, nullptr);
    const auto frame_of = [](std::initializer_list<unsigned> bytes) {
        ircode::ReplayedSignal s;
        s.frame_symbols.emplace_back();
        for (const unsigned b : bytes)
            for (int i = 0; i < 8; ++i) s.frame_symbols[0].push_back((b >> i) & 1u);
        return s;
    };
    const struct {
        std::initializer_list<unsigned> bytes;
        const char* text;
    } cases[] = {
        {{0x04, 0xFB, 0x15, 0xEA}, "device=4 function=21"},
        {{0x04, 0x12, 0x15, 0xEA}, "device=4 subdevice=18 function=21"},
        {{0x04, 0xFB, 0x15, 0x15}, "device=4 function=21 inverse=21"},
    };
    for (const auto& c : cases) {
        const auto decoded = ircode::decode_parameters(*nec1, frame_of(c.bytes));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(ircode::parameters_text(*decoded), c.text);
    }
}

}  // namespace
