// Round trips per format: every fixture signal, turned into a replayed table (a
// stand-in for learning it), written in each format and read again, carries the
// same signal: durations within 2 % (plus the format's time resolution), the
// same frames and the carrier within 1 kHz.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "signals/formats/signal_format.h"
#include "tests/formats/signal_checks.h"

namespace orvalin::formats {
namespace {

using test::compare_durations;
using test::frame_count;
using test::read_fixture;

constexpr int kFrameGapUs = 10000;

// The intro split into frames at long silences, the repeat part as the repeat frame.
ircode::ReplayedSignal stand_in_replay(const CodeSignal& s) {
    ircode::ReplayedSignal r;
    r.carrier_hz = s.carrier_hz;
    r.frames.emplace_back();
    for (const int d : s.intro_us) {
        if (d <= -kFrameGapUs) {
            r.frames.back().gap_after_us = -d;
            r.frames.emplace_back();
        } else {
            r.frames.back().durations_us.push_back(d);
        }
    }
    if (r.frames.back().durations_us.empty()) r.frames.pop_back();
    if (!s.repeat_us.empty()) {
        ircode::ReplayedFrame repeat;
        repeat.repeat = true;
        repeat.durations_us = s.repeat_us;
        if (repeat.durations_us.back() < 0) {
            repeat.gap_after_us = -repeat.durations_us.back();
            repeat.durations_us.pop_back();
        }
        r.frames.push_back(repeat);
    }
    return r;
}

std::vector<CodeSignal> fixture_signals() {
    const std::pair<SignalFormat, const char*> fixtures[] = {
        {SignalFormat::pronto, "remote.pronto"},      {SignalFormat::mode2, "keys.mode2"},
        {SignalFormat::broadlink, "codes.broadlink"}, {SignalFormat::flipper, "remote.ir"},
        {SignalFormat::lirc, "remotes.lircd.conf"},
    };
    std::vector<CodeSignal> out;
    for (const auto& [format, name] : fixtures) {
        std::string error;
        const std::optional<SignalFile> f =
            read_signal_file(format, read_fixture(name), name, &error);
        EXPECT_TRUE(f) << error;
        if (!f) continue;
        for (CodeSignal s : f->signals) {
            s.name = std::to_string(out.size() + 1) + "_" + name + "_" + s.name;
            out.push_back(std::move(s));
        }
    }
    return out;
}

// The time resolution of a format at a carrier: Pronto counts carrier periods,
// Broadlink ticks of 32.84 us.
int resolution_us(SignalFormat format, int carrier_hz) {
    if (format == SignalFormat::pronto) return carrier_hz > 0 ? 1000000 / carrier_hz : 1;
    if (format == SignalFormat::broadlink) return 33;
    return 1;
}

std::string name_in(SignalFormat format, std::string name) {
    if (format == SignalFormat::lirc) {
        for (char& c : name) {
            if (c == ' ') c = '_';
        }
    }
    return name;
}

TEST(FormatsRoundTrip, EveryFixtureSignalThroughEveryWriter) {
    const std::vector<CodeSignal> signals = fixture_signals();
    ASSERT_EQ(signals.size(), 18u);
    for (const SignalFormat format :
         {SignalFormat::mode2, SignalFormat::pronto, SignalFormat::flipper, SignalFormat::lirc,
          SignalFormat::broadlink}) {
        for (const CodeSignal& original : signals) {
            SCOPED_TRACE(std::string(format_name(format)) + ": " + original.name);
            const CodeSignal learned =
                from_replay(original.name, ircode::ReplayedSignal(stand_in_replay(original)));
            const std::string text = write_signal_file(format, {learned});
            std::string error;
            const std::optional<SignalFile> back =
                read_signal_file(format, text, "written", &error);
            ASSERT_TRUE(back) << error << "\n" << text;
            ASSERT_EQ(back->signals.size(), 1u);
            const CodeSignal& got = back->signals[0];
            EXPECT_EQ(got.name, name_in(format, learned.name));
            // Broadlink packets have no carrier: 38 kHz is assumed.
            const int carrier = format == SignalFormat::broadlink ? 38000 : learned.carrier_hz;
            EXPECT_NEAR(got.carrier_hz, carrier, 1000);
            const int resolution = resolution_us(format, learned.carrier_hz);
            const std::vector<int> want = render_press(learned, 1).durations_us;
            const std::vector<int> have = render_press(got, 1).durations_us;
            EXPECT_EQ(compare_durations(have, want, 0.02, resolution), "");
            EXPECT_EQ(frame_count(have), frame_count(want));
            if (format == SignalFormat::pronto) {
                // Pronto keeps the intro and the repeat frame apart.
                EXPECT_EQ(compare_durations(got.intro_us, learned.intro_us, 0.02, resolution), "");
                EXPECT_EQ(compare_durations(got.repeat_us, learned.repeat_us, 0.02, resolution),
                          "");
            }
        }
    }
}

TEST(FormatsRoundTrip, WholeRemoteInOneFile) {
    const std::vector<CodeSignal> signals = fixture_signals();
    for (const SignalFormat format :
         {SignalFormat::mode2, SignalFormat::pronto, SignalFormat::flipper, SignalFormat::lirc,
          SignalFormat::broadlink}) {
        SCOPED_TRACE(format_name(format));
        const std::string text = write_signal_file(format, signals);
        std::string error;
        const std::optional<SignalFile> back = read_signal_file(format, text, "remote", &error);
        ASSERT_TRUE(back) << error;
        ASSERT_EQ(back->signals.size(), signals.size());
        for (const CodeSignal& s : signals) {
            const CodeSignal* got = back->find(name_in(format, s.name));
            ASSERT_NE(got, nullptr) << s.name;
            EXPECT_EQ(compare_durations(render_press(*got, 1).durations_us,
                                        render_press(s, 1).durations_us, 0.02,
                                        resolution_us(format, s.carrier_hz)),
                      "")
                << s.name;
        }
    }
}

TEST(FormatsRoundTrip, FlipperWritesParsedSignalsByProtocol) {
    std::string error;
    const std::optional<SignalFile> f =
        read_signal_file(SignalFormat::flipper, read_fixture("remote.ir"), "remote.ir", &error);
    ASSERT_TRUE(f) << error;
    const std::string text = write_signal_file(SignalFormat::flipper, f->signals);
    EXPECT_NE(text.find("name: Ext\ntype: parsed\nprotocol: NECext\naddress: 00 DF 00 00\ncommand: "
                        "1C E3 00 00\n"),
              std::string::npos)
        << text;
    EXPECT_NE(
        text.find(
            "name: Raw_power\ntype: raw\nfrequency: 38000\nduty_cycle: 0.330000\ndata: 9024 4512 "),
        std::string::npos)
        << text;
}

TEST(FormatsRoundTrip, ReplayedTableBecomesIntroAndRepeat) {
    // NEC as a replay gives it: the frame, then the ditto frame without a gap of its own.
    ircode::ReplayedSignal r;
    r.carrier_hz = 38000;
    r.frames.push_back({{9000, -4500, 560, -560, 560}, 40000, false});
    r.frames.push_back({{9000, -2250, 560}, 0, true});
    const CodeSignal s = from_replay("Power", r);
    EXPECT_EQ(s.intro_us, (std::vector<int>{9000, -4500, 560, -560, 560, -40000}));
    // The ditto keeps the frame period of the frame before it: 55180 us start to start.
    EXPECT_EQ(s.repeat_us, (std::vector<int>{9000, -2250, 560, -(55180 - 11810)}));
    // Bi-phase frames that start with a gap add it to the silence before them.
    ircode::ReplayedSignal b;
    b.carrier_hz = 36000;
    b.frames.push_back({{-889, 889, -889, 889}, 100000, false});
    b.frames.push_back({{-889, 889, -889, 889}, 100000, true});
    const CodeSignal bs = from_replay("Rc5", b);
    EXPECT_EQ(bs.intro_us, (std::vector<int>{889, -889, 889, -100889}));
    EXPECT_EQ(bs.repeat_us, (std::vector<int>{889, -889, 889, -100889}));
    const std::string pronto = write_signal_file(SignalFormat::pronto, {s});
    EXPECT_EQ(pronto.substr(0, 26), "Power: 0000 006D 0003 0002");
}

TEST(FormatsRoundTrip, ReplayedKeysOfARemote) {
    ircode::ReplayedSignal nec;
    nec.carrier_hz = 38000;
    nec.frames.push_back({{9000, -4500, 560, -1690, 560}, 40000, false});
    nec.frames.push_back({{9000, -2250, 560}, 0, true});
    ircode::ReplayedSignal sony;
    sony.carrier_hz = 40000;
    sony.frames.push_back({{2400, -600, 1200, -600, 600}, 40000, false});
    const std::vector<ReplayedKey> keys{
        {"Power", nec, ParsedCode{"NEC", 0x04, 0x08}},
        {"Mute", sony, std::nullopt},
    };
    const std::string flipper = write_replayed_keys(SignalFormat::flipper, keys);
    EXPECT_NE(flipper.find("name: Power\ntype: parsed\nprotocol: NEC\naddress: 04 00 00 00\n"),
              std::string::npos)
        << flipper;
    EXPECT_NE(flipper.find("name: Mute\ntype: raw\nfrequency: 40000\n"), std::string::npos)
        << flipper;
    for (const SignalFormat format :
         {SignalFormat::mode2, SignalFormat::pronto, SignalFormat::lirc, SignalFormat::broadlink}) {
        SCOPED_TRACE(format_name(format));
        std::string error;
        const std::optional<SignalFile> back =
            read_signal_file(format, write_replayed_keys(format, keys), "remote", &error);
        ASSERT_TRUE(back) << error;
        ASSERT_NE(back->find("Power"), nullptr);
        ASSERT_NE(back->find("Mute"), nullptr);
        EXPECT_EQ(compare_durations(render_press(*back->find("Mute"), 1).durations_us,
                                    {2400, -600, 1200, -600, 600}, 0.02, 33),
                  "");
    }
}

}  // namespace
}  // namespace orvalin::formats
