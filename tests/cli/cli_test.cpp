// orvalin-cli as a user runs it: the real binary from the build folder, its
// exit status, its output lines, standard input, and bad input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/version.h"
#include "tests/cli/cli_run.h"

namespace {

using namespace orvalin::cli_test;

const fs::path kData = fs::path(ORVALIN_TEST_DATA_DIR) / "cli";

const std::string kNec = (kData / "nec1_press.mode2").string();

TEST(CliAnalyse, RecognisesASignalFileAndPrintsThreeLines) {
    const Result r = run({"analyse", kNec});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(lines(r.out).size(), 3u) << r.out;
    // Three frames (the frame and two dittos), 38 kHz, the frame's first pulse
    // of 9000 us, then the 40 ms gap block after it.
    const std::string timing = field(r.out, "timing");
    EXPECT_EQ(timing.substr(0, 9), "326122328");
    EXPECT_NE(timing.find("FEFE0028EDED"), std::string::npos);
    EXPECT_EQ(field(r.out, "type"), "NEC1");
    const std::string table = field(r.out, "table");
    // A one-key table: no links, one record, table code 0, attribute C7.
    EXPECT_EQ(table.substr(0, 8), "000100C7");
    EXPECT_TRUE(r.err.empty());
}

TEST(CliAnalyse, StandardInputKeyAndTimingTextGiveTheSameCode) {
    const Result file = run({"analyse", "--key", "33", kNec});
    ASSERT_EQ(file.status, 0) << file.err;
    EXPECT_EQ(field(file.out, "table").substr(0, 8), "000121C7");  // table code 33 = 0x21

    const Result stdin_run = run({"analyse", "--key", "33", "-"}, read_file(kNec));
    ASSERT_EQ(stdin_run.status, 0) << stdin_run.err;
    EXPECT_EQ(stdin_run.out, file.out);

    const Result timing = run({"analyse", "--key", "33", "--timing", field(file.out, "timing")});
    ASSERT_EQ(timing.status, 0) << timing.err;
    EXPECT_EQ(timing.out, file.out);
}

TEST(CliAnalyse, CarrierOptionReplacesTheSignalsCarrier) {
    const Result r = run({"analyse", "--carrier", "56000", kNec});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(field(r.out, "timing").substr(1, 4), "3812");  // 56 kHz
}

TEST(CliAnalyse, NoiseFitsNoCodeType) {
    const Result r = run({"analyse", (kData / "noise.mode2").string()});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(field(r.out, "timing"), "<missing>");
    EXPECT_EQ(field(r.out, "type"), "none");
    EXPECT_EQ(field(r.out, "table"), "");
}

TEST(CliAnalyse, ACodeInfoFileWithoutRecordsLeavesTheSignalToTheConverter) {
    const fs::path empty = fs::temp_directory_path() / "cli_test_empty.csl";
    {
        std::ofstream out(empty, std::ios::binary);
        const std::string header = "Dorvi Quastrelvanomiderrant CodeInfo";
        out.put(static_cast<char>(header.size()));
        out << header;
    }
    // The converter beside the program learns it: its shape, its table, exit 0.
    const Result learned = run({"analyse", "--key", "33", "--codeinfo", empty.string(), kNec});
    EXPECT_EQ(learned.status, 0) << learned.err;
    EXPECT_EQ(field(learned.out, "type").rfind("generic (pulse-distance 32 bits, lead ", 0), 0u)
        << learned.out;
    EXPECT_EQ(field(learned.out, "table").substr(0, 6), "000121");
    // The table replays the signal's 9000 us lead-in as captured.
    const Result render = run({"render", field(learned.out, "table")});
    EXPECT_EQ(render.status, 0) << render.err;
    const std::size_t at = render.out.find("pulse ");
    ASSERT_NE(at, std::string::npos) << render.out;
    const int lead = std::stoi(render.out.substr(at + 6));
    EXPECT_NEAR(lead, 9000, 180) << render.out;
    // Without a converter nothing learns it.
    const Result none = run({"analyse", "--codeinfo", empty.string(), "--converter",
                             "/nonexistent/quendrix.dll", kNec});
    EXPECT_EQ(none.status, 1) << none.err;
    EXPECT_EQ(field(none.out, "type"), "none");
    EXPECT_EQ(field(none.out, "table"), "");
    EXPECT_NE(none.err.find("converter"), std::string::npos);
    fs::remove(empty);
}

struct BadCall {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    const char* message;  // part of standard error
};

class CliRefuses : public ::testing::TestWithParam<BadCall> {};

TEST_P(CliRefuses, WithStatusTwoAndAMessage) {
    const BadCall& c = GetParam();
    const Result r = run(c.args, c.input);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Calls, CliRefuses,
    ::testing::Values(
        BadCall{"no_command", {}, "", "no command"},
        BadCall{"unknown_command", {"frobnicate"}, "", "unknown command frobnicate"},
        BadCall{"no_signal", {"analyse"}, "", "no signal given"},
        BadCall{"key_without_value", {"analyse", "--key"}, "", "--key needs a value"},
        BadCall{
            "converter_without_value", {"analyse", "--converter"}, "", "--converter needs a value"},
        BadCall{"key_too_large",
                {"analyse", "--key", "256", "x"},
                "",
                "--key needs a number from 0 to 255"},
        BadCall{"key_not_a_number", {"analyse", "--key", "5a", "x"}, "", "--key needs a number"},
        BadCall{"unknown_option", {"analyse", "--fast", "x"}, "", "unknown option --fast"},
        BadCall{"two_signals", {"analyse", "a", "b"}, "", "more than one signal given"},
        BadCall{"signal_and_timing", {"analyse", "--timing", "1261200AA", "a"}, "", "not both"},
        BadCall{"carrier_with_timing",
                {"analyse", "--carrier", "38000", "--timing", "1261200AA"},
                "",
                "--carrier applies to a signal"},
        BadCall{"missing_file", {"analyse", "/nonexistent/signal.mode2"}, "", "cannot read"},
        BadCall{"missing_codeinfo",
                {"analyse", "--codeinfo", "/nonexistent/QZ01.csl", "-"},
                "",
                "code-info file not found"},
        BadCall{"bad_number",
                {"analyse", (kData / "bad_number.mode2").string()},
                "",
                "bad_number.mode2:3: signal '1': bad number"},
        BadCall{"no_pulse", {"analyse", "-"}, "space 5000\n", "no pulse in the signal"},
        BadCall{"timing_not_hex", {"analyse", "--timing", "126120XYZ"}, "", "not a timing text"},
        BadCall{"timing_cut", {"analyse", "--timing", "12612023"}, "", "not a timing text"},
        BadCall{"render_two_tables", {"render", "00", "01"}, "", "give one table"},
        BadCall{"render_option", {"render", "--raw"}, "", "unknown option --raw"},
        BadCall{"render_not_hex", {"render", "0001ZZ"}, "", "not a hex digit"},
        BadCall{
            "render_not_an_image", {"render", "00010AC7"}, "", "shorter than its 10-byte header"},
        BadCall{"render_empty_stdin", {"render"}, "", "shorter than its 10-byte header"}),
    [](const ::testing::TestParamInfo<BadCall>& info) { return std::string(info.param.name); });

TEST(CliHelp, PrintsUsageAndSucceeds) {
    const Result r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("orvalin-cli analyse [--codeinfo FILE] [--carrier HZ] [--key N] SIGNAL"),
              std::string::npos);
    EXPECT_NE(r.out.find("orvalin-cli render [TABLE_HEX | -]"), std::string::npos);
}

TEST(CliHelp, VersionIsTheProgramsVersion) {
    const Result r = run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("orvalin-cli ") + orvalin::kVersion + "\n");
    EXPECT_EQ(std::string(orvalin::kVersion), std::to_string(orvalin::kVersionMajor) + "." +
                                                  std::to_string(orvalin::kVersionMinor) + "." +
                                                  std::to_string(orvalin::kVersionPatch));
}

TEST(CliRender, PrintsTheKeyPressInMode2Text) {
    const std::string table = field(run({"analyse", kNec}).out, "table");
    const Result r = run({"render", table});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> out = lines(r.out);
    ASSERT_GT(out.size(), 70u);
    EXPECT_EQ(out[0].rfind("carrier 37", 0), 0u) << out[0];  // 38 kHz on the remote's timer
    EXPECT_EQ(out[1].rfind("pulse 8", 0), 0u) << out[1];     // the 9 ms leader
    EXPECT_EQ(out[2].rfind("space 4", 0), 0u) << out[2];
    // Standard input gives the same, with or without "-".
    EXPECT_EQ(run({"render", "-"}, table + "\n").out, r.out);
    EXPECT_EQ(run({"render"}, table).out, r.out);
}

TEST(CliRender, AnalysingTheRenderedSignalGivesTheSameCode) {
    const Result first = run({"analyse", kNec});
    ASSERT_EQ(first.status, 0);
    const Result rendered = run({"render", field(first.out, "table")});
    ASSERT_EQ(rendered.status, 0);
    const Result again = run({"analyse", "-"}, rendered.out);
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(field(again.out, "type"), "NEC1");
    EXPECT_EQ(field(again.out, "table"), field(first.out, "table"));
}

// The SVG picture draws one rectangle for every pulse that the mode2 text lists.
TEST(CliRender, SvgDrawsEveryPulseOfThePress) {
    const std::string table = field(run({"analyse", kNec}).out, "table");
    const Result mode2 = run({"render", table});
    const Result svg = run({"render", "--format", "svg", "--name", "VOL+", table});
    ASSERT_EQ(svg.status, 0) << svg.err;
    EXPECT_EQ(svg.out.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.out.find(">VOL+</text>"), std::string::npos);
    const auto count = [](const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos;
             at = text.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count(svg.out, "<rect x="), count(mode2.out, "pulse "));
    EXPECT_EQ(run({"render", "--format", "svg", "00010AC7"}).status, 2);
}

}  // namespace
