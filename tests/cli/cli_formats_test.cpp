// Code files through orvalin-cli: a signal of each format learned by analyse and
// written back by render carries the same signal, and a bad file is refused
// with its name and the line or field at fault.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "signals/formats/signal_format.h"
#include "tests/cli/cli_run.h"

namespace {

using namespace orvalin::cli_test;
using orvalin::formats::CodeSignal;
using orvalin::formats::SignalFormat;

const fs::path kFormats = fs::path(ORVALIN_TEST_DATA_DIR) / "formats";

// A silence this long ends a frame: longer than any lead-in or bit of the
// protocols in the fixtures, shorter than their gaps.
constexpr int kFrameGapUs = 10'000;

struct Frame {
    std::vector<int> durations;  // without the silence after it
};

std::vector<Frame> frames_of(const std::vector<int>& press) {
    std::vector<Frame> out(1);
    for (const int d : press) {
        if (d <= -kFrameGapUs) {
            out.emplace_back();
        } else {
            out.back().durations.push_back(d);
        }
    }
    if (out.back().durations.empty()) out.pop_back();
    return out;
}

// Within the encoder's 2 % plus what the format can resolve.
bool close(int a, int b, double resolution_us) {
    return std::abs(a - b) <= 0.02 * std::max(std::abs(a), std::abs(b)) + resolution_us;
}

bool same_frame(const Frame& a, const Frame& b, double resolution_us) {
    if (a.durations.size() != b.durations.size()) return false;
    for (std::size_t i = 0; i < a.durations.size(); ++i) {
        if ((a.durations[i] > 0) != (b.durations[i] > 0)) return false;
        if (!close(a.durations[i], b.durations[i], resolution_us)) return false;
    }
    return true;
}

// RC5 bits from a frame's half-bit durations (its leading space dropped), or
// nothing when a duration is no whole number of half bits.
constexpr int kRc5HalfBitUs = 889;
constexpr std::size_t kRc5ToggleBit = 2;

std::vector<int> rc5_bits(const Frame& f, double resolution_us) {
    std::vector<int> levels{0};
    for (const int d : f.durations) {
        const int n = static_cast<int>(std::lround(std::abs(d) / double(kRc5HalfBitUs)));
        if (n < 1 || n > 2 || !close(std::abs(d), n * kRc5HalfBitUs, resolution_us)) return {};
        levels.insert(levels.end(), n, d > 0 ? 1 : 0);
    }
    if (levels.size() % 2 != 0) levels.push_back(0);
    std::vector<int> bits;
    for (std::size_t i = 0; i < levels.size(); i += 2) {
        if (levels[i] == levels[i + 1]) return {};
        bits.push_back(levels[i + 1]);
    }
    return bits;
}

// The same RC5 frame but for its toggle bit, which the remote flips from press
// to press and no code file fixes.
bool same_rc5_frame(const Frame& a, const Frame& b, double resolution_us) {
    std::vector<int> x = rc5_bits(a, resolution_us);
    std::vector<int> y = rc5_bits(b, resolution_us);
    if (x.size() != 14 || y.size() != 14) return false;
    x[kRc5ToggleBit] = y[kRc5ToggleBit] = 0;
    return x == y;
}

// The frames in order, a frame sent again right after itself counted once: how
// often a press repeats a frame is what the formats tell differently.
std::vector<Frame> distinct_frames(const std::vector<int>& press, double resolution_us, bool rc5) {
    std::vector<Frame> out;
    for (Frame& f : frames_of(press)) {
        const bool again = !out.empty() && (rc5 ? same_rc5_frame(out.back(), f, resolution_us)
                                                : same_frame(out.back(), f, resolution_us));
        if (!again) out.push_back(std::move(f));
    }
    return out;
}

std::string describe(const std::vector<int>& press) {
    std::string s;
    for (const int d : press) s += std::to_string(d) + " ";
    return s;
}

std::optional<CodeSignal> read_one(SignalFormat format, const std::string& text,
                                   const std::string& file_name, const std::string& name) {
    std::string error;
    const auto file = orvalin::formats::read_signal_file(format, text, file_name, &error);
    EXPECT_TRUE(file) << error;
    if (!file) return std::nullopt;
    const CodeSignal* s = file->find(name);
    EXPECT_NE(s, nullptr) << name << " not in " << file_name << ":\n" << text;
    if (s == nullptr) return std::nullopt;
    return *s;
}

struct RoundTrip {
    const char* label;
    const char* fixture;  // in tests/data/formats
    const char* signal;
    SignalFormat format;
    const char* type;   // the code type analyse names
    int resolution_us;  // the format's own: a carrier period, a Broadlink tick
    bool rc5 = false;   // compared bit by bit, the toggle bit left out
};

class CliFormatsRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(CliFormatsRoundTrip, FileLearnRenderFileKeepsTheSignal) {
    const RoundTrip& c = GetParam();
    const fs::path fixture = kFormats / c.fixture;
    const Result learned = run({"analyse", "--signal", c.signal, fixture.string()});
    ASSERT_EQ(learned.status, 0) << learned.err << learned.out;
    EXPECT_EQ(field(learned.out, "type"), c.type);
    const std::string name(orvalin::formats::format_name(c.format));
    const Result rendered =
        run({"render", "--format", name, "--name", "Learned", field(learned.out, "table")});
    ASSERT_EQ(rendered.status, 0) << rendered.err;

    // The rendered file is of its format, as a user's tool would tell.
    EXPECT_EQ(orvalin::formats::detect_format("", rendered.out), c.format) << rendered.out;
    const std::optional<CodeSignal> before =
        read_one(*orvalin::formats::detect_format(fixture.string(), read_file(fixture)),
                 read_file(fixture), fixture.string(), c.signal);
    const std::optional<CodeSignal> after = read_one(c.format, rendered.out, "rendered", "Learned");
    ASSERT_TRUE(before && after);

    // Broadlink packets carry no carrier: both sides read as 38 kHz.
    EXPECT_NEAR(after->carrier_hz, before->carrier_hz, 1000);
    const std::vector<int> press_before = orvalin::formats::render_press(*before).durations_us;
    const std::vector<int> press_after = orvalin::formats::render_press(*after).durations_us;
    const std::vector<Frame> want = distinct_frames(press_before, c.resolution_us, c.rc5);
    const std::vector<Frame> got = distinct_frames(press_after, c.resolution_us, c.rc5);
    ASSERT_EQ(got.size(), want.size())
        << "before: " << describe(press_before) << "\nafter: " << describe(press_after);
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_TRUE(c.rc5 ? same_rc5_frame(got[i], want[i], c.resolution_us)
                          : same_frame(got[i], want[i], c.resolution_us))
            << "frame " << i << "\nbefore: " << describe(press_before)
            << "\nafter: " << describe(press_after);
    }
}

constexpr int kProntoTick = 27;     // one period of a 38 kHz carrier, rounded up
constexpr int kBroadlinkTick = 33;  // 269/8192 ms

INSTANTIATE_TEST_SUITE_P(
    EachFormat, CliFormatsRoundTrip,
    ::testing::Values(
        RoundTrip{"mode2", "keys.mode2", "Power", SignalFormat::mode2, "NEC1", 1},
        RoundTrip{"pronto", "remote.pronto", "Power", SignalFormat::pronto, "NEC1", kProntoTick},
        RoundTrip{"flipper_parsed", "remote.ir", "Power", SignalFormat::flipper, "NEC1", 1},
        RoundTrip{"mode2_sony", "keys.mode2", "Sony", SignalFormat::mode2, "Sony12 (1 frame)", 1},
        RoundTrip{"pronto_sony", "remote.pronto", "Volume up", SignalFormat::pronto,
                  "Sony12 (1 frame)", kProntoTick},
        RoundTrip{"pronto_rc5", "remote.pronto", "Standby", SignalFormat::pronto, "RC5",
                  kProntoTick, true},
        RoundTrip{"flipper_raw", "remote.ir", "Raw_power", SignalFormat::flipper, "NEC (1 frame)",
                  1},
        RoundTrip{"flipper_sony20", "remote.ir", "Sony20", SignalFormat::flipper, "Sony20", 1},
        RoundTrip{"flipper_rc5x", "remote.ir", "Rc5x", SignalFormat::flipper, "RC5", 1, true},
        RoundTrip{"lirc", "remotes.lircd.conf", "tv/KEY_POWER", SignalFormat::lirc, "NEC1", 1},
        RoundTrip{"lirc_raw_generic", "remotes.lircd.conf", "fan/KEY_POWER", SignalFormat::lirc,
                  "generic (6 bits)", 1},
        RoundTrip{"broadlink", "codes.broadlink", "Power", SignalFormat::broadlink, "NEC1",
                  kBroadlinkTick},
        RoundTrip{"broadlink_unnamed", "codes.broadlink", "2", SignalFormat::broadlink, "NEC2",
                  kBroadlinkTick}),
    [](const ::testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.label); });

// A bad file, a file of several signals without --signal, an unknown name:
// status 2 and a message naming the file and the line or field at fault.
struct BadFile {
    const char* label;
    const char* file_name;
    std::string content;
    std::vector<std::string> options;
    const char* message;  // after "<file>"
};

class CliFormatsRefuse : public ::testing::TestWithParam<BadFile> {};

TEST_P(CliFormatsRefuse, WithStatusTwoNamingTheFileAndPlace) {
    const BadFile& c = GetParam();
    const fs::path dir = fs::temp_directory_path() / ("cli_formats_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / c.file_name;
    // A name ending in "/" is a folder given as a file.
    if (std::string(c.file_name).back() == '/') {
        fs::create_directories(file);
    } else {
        std::ofstream(file, std::ios::binary) << c.content;
    }
    std::vector<std::string> args{"analyse"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(file.string());
    const Result r = run(args);
    fs::remove_all(dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(file.string() + c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Files, CliFormatsRefuse,
    ::testing::Values(
        BadFile{"pronto_cut",
                "tv.pronto",
                "Power: 0000 006D 0002 0000 0157 00AC 0015\n",
                {},
                ":1: code ends early"},
        BadFile{"flipper_data",
                "tv.ir",
                "Filetype: IR signals file\nVersion: 1\n#\nname: P\ntype: raw\n"
                "frequency: 38000\nduty_cycle: 0.33\ndata: 900 x 500\n",
                {},
                ":8: field 'data'"},
        BadFile{"flipper_protocol",
                "tv.ir",
                "Filetype: IR signals file\nVersion: 1\n#\nname: P\ntype: parsed\n"
                "protocol: Foo\naddress: 00 00 00 00\ncommand: 01 00 00 00\n",
                {},
                ":4: signal 'P': protocol 'Foo'"},
        BadFile{"lirc_code",
                "tv.conf",
                "begin remote\n  name tv\n  bits 16\n  one 564 1692\n  zero 564 564\n"
                "  begin codes\n    KEY_POWER 0xZZ\n  end codes\nend remote\n",
                {},
                ":7: key 'KEY_POWER': bad code"},
        BadFile{"lirc_cut",
                "tv.conf",
                "begin remote\n  name tv\n  bits 16\n",
                {},
                ": the file ends inside a remote"},
        BadFile{"broadlink_base64",
                "tv.broadlink",
                "Power: JgBQ!!!!\n",
                {},
                ":1: signal 'Power': not base64"},
        BadFile{"broadlink_length",
                "tv.broadlink",
                "Power: JgAEAAAB\n",
                {},
                ":1: signal 'Power': data length"},
        BadFile{
            "mode2_number", "tv.mode2", "pulse 900\nspace -5\n", {}, ":2: signal '1': bad number"},
        BadFile{"folder", "tv.ir/", "", {}, ": cannot read the file"},
        BadFile{"unknown_format", "tv.txt", "hello\n", {}, ": cannot tell the format; give it"},
        BadFile{"format_given_wrong",
                "tv.txt",
                "pulse 900\nspace 900\n",
                {"--format", "pronto"},
                ": no Pronto code"},
        BadFile{"several_unnamed",
                "tv.mode2",
                "# name: A\npulse 900\nspace 900\n# name: B\npulse 500\nspace 900\n",
                {},
                ": holds several signals; name one of: A, B"},
        BadFile{"name_not_there",
                "tv.conf",
                "begin remote\n  name tv\n  flags RAW_CODES\n  begin raw_codes\n"
                "    name KEY_UP\n      900 900 900\n  end raw_codes\nend remote\n",
                {"--signal", "KEY_DOWN"},
                ": no signal named 'KEY_DOWN'; name one of: tv/KEY_UP"}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.label); });

TEST(CliFormats, RemoteAndKeyPickOneOfTwoRemotes) {
    const fs::path conf = kFormats / "remotes.lircd.conf";
    const Result tv = run({"analyse", "--signal", "tv/KEY_POWER", conf.string()});
    const Result fan = run({"analyse", "--signal", "fan/KEY_POWER", conf.string()});
    ASSERT_EQ(tv.status, 0) << tv.err;
    ASSERT_EQ(fan.status, 0) << fan.err;
    EXPECT_EQ(field(tv.out, "type"), "NEC1");
    EXPECT_NE(field(fan.out, "table"), field(tv.out, "table"));
    // A bare key name takes the first remote's key, as the file lists them.
    const Result bare = run({"analyse", "--signal", "KEY_POWER", conf.string()});
    EXPECT_EQ(field(bare.out, "table"), field(tv.out, "table"));
}

TEST(CliFormats, RenderRefusesAnUnknownFormatOrName) {
    const Result format = run({"render", "--format", "csv", "00"});
    EXPECT_EQ(format.status, 2);
    EXPECT_NE(format.err.find("--format needs one of"), std::string::npos) << format.err;
    const Result name = run({"render", "--format", "pronto", "--name", "a\nb", "00"});
    EXPECT_EQ(name.status, 2);
    EXPECT_NE(name.err.find("--name needs a name on one line"), std::string::npos) << name.err;
}

}  // namespace
