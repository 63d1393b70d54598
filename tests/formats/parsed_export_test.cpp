// Learned keys exported by protocol: a press is learned, its parameters read
// back from the image, written as a Flipper "parsed" signal, and the file read
// again gives the same key (the same protocol numbers, and learned once more,
// the same code type and parameters). Codes no Flipper protocol describes
// exactly stay raw.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "ircode/analysis.h"
#include "learning/key_code.h"
#include "learning/signal_capture.h"
#include "signals/formats/code_signal.h"
#include "signals/formats/signal_format.h"
#include "tests/support/protocol_signals.h"

namespace orvalin {
namespace {

const std::filesystem::path kCodeInfo =
    std::filesystem::path(ORVALIN_PROGRAM_DIR) / ircode::kCodeInfoFileName;

std::optional<learning::KeyCode> learn(const ir_signals::PulseSignal& s) {
    const std::string timing = ir_signals::timing_text_of(s);
    if (timing.size() <= 5) return std::nullopt;
    const auto r = ircode::analyse(std::string_view(timing).substr(5), 0x10, kCodeInfo);
    if (r.table.empty()) return std::nullopt;
    return learning::describe_key_code(r.table, 0x10, kCodeInfo);
}

TEST(ParsedExport, LearnedKeyWrittenByProtocolReadsBackAsTheSameKey) {
    const struct {
        const char* protocol;
        std::vector<unsigned> parameters;
        const char* flipper;  // expected protocol, address and command lines
    } cases[] = {
        {"NEC1", {4, 0, 21}, "protocol: NEC\naddress: 04 00 00 00\ncommand: 15 00 00 00\n"},
        {"NEC extended",
         {4, 0x12, 21},
         "protocol: NECext\naddress: 04 12 00 00\ncommand: 15 EA 00 00\n"},
        {"Samsung32",
         {7, 0, 2},
         "protocol: Samsung32\naddress: 07 00 00 00\ncommand: 02 00 00 00\n"},
        {"RC5", {5, 83}, "protocol: RC5\naddress: 05 00 00 00\ncommand: 53 00 00 00\n"},
        {"RC6", {4, 12}, "protocol: RC6\naddress: 04 00 00 00\ncommand: 0C 00 00 00\n"},
        {"Sony12", {21, 1}, "protocol: SIRC\naddress: 01 00 00 00\ncommand: 15 00 00 00\n"},
        {"Sony15", {58, 151}, "protocol: SIRC15\naddress: 97 00 00 00\ncommand: 3A 00 00 00\n"},
        {"Sony20", {21, 26, 68}, "protocol: SIRC20\naddress: 9A 08 00 00\ncommand: 15 00 00 00\n"},
        {"Sanyo LC7461",
         {0x1ABC, 0x5A},
         "protocol: NEC42\naddress: BC 1A 00 00\ncommand: 5A 00 00 00\n"},
        {"RCA", {10, 92}, "protocol: RCA\naddress: 0A 00 00 00\ncommand: 5C 00 00 00\n"},
    };
    std::mt19937 rng(5);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.protocol);
        const auto& p = protocols::protocol(c.protocol);
        const auto g = protocols::generate(p, c.parameters, 0, p.frames_per_press, rng, 0.03);
        const auto code = learn(g.signal);
        ASSERT_TRUE(code);
        const auto parsed = learning::parsed_code_of(*code);
        ASSERT_TRUE(parsed) << code->type_name;
        const std::string file = formats::write_replayed_keys(
            formats::SignalFormat::flipper, {{"TV_VOL+", code->replayed, parsed}});
        EXPECT_NE(file.find(std::string("type: parsed\n") + c.flipper), std::string::npos) << file;

        std::string error;
        const auto read =
            formats::read_signal_file(formats::SignalFormat::flipper, file, "keys.ir", &error);
        ASSERT_TRUE(read) << error;
        ASSERT_EQ(read->signals.size(), 1u);
        const formats::CodeSignal& s = read->signals[0];
        ASSERT_TRUE(s.parsed);
        EXPECT_EQ(s.parsed->protocol, parsed->protocol);
        EXPECT_EQ(s.parsed->address, parsed->address);
        EXPECT_EQ(s.parsed->command, parsed->command);
        // Learned again from the file: the same code.
        const auto again = learn(formats::render_press(s, 1));
        ASSERT_TRUE(again);
        EXPECT_EQ(again->type_name.substr(0, 4), code->type_name.substr(0, 4));
        EXPECT_EQ(again->parameters, code->parameters);
    }
}

TEST(ParsedExport, CodesNoProtocolDescribesExactlyStayRaw) {
    std::mt19937 rng(6);
    // NEC2 repeats the whole frame, Flipper's NEC a ditto; Sharp has no Flipper
    // protocol here; a generic code has no parameters.
    for (const char* name : {"NEC2", "Sharp", "JVC"}) {
        const auto& p = protocols::protocol(name);
        const auto g = protocols::generate(p, protocols::random_parameters(p, rng), 0,
                                           p.frames_per_press, rng, 0.0);
        const auto code = learn(g.signal);
        ASSERT_TRUE(code) << name;
        EXPECT_FALSE(learning::parsed_code_of(*code)) << name;
        const std::string file = formats::write_replayed_keys(
            formats::SignalFormat::flipper, {{"k", code->replayed, std::nullopt}});
        EXPECT_NE(file.find("type: raw\n"), std::string::npos);
    }
    learning::KeyCode generic;
    EXPECT_FALSE(learning::parsed_code_of(generic));
}

}  // namespace
}  // namespace orvalin
