// Reading each format's fixture: names, carriers, intro and repeat parts, and the
// parsed protocols against their bit layouts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "signals/formats/broadlink.h"
#include "signals/formats/code_file.h"
#include "signals/formats/protocol_codes.h"
#include "signals/formats/signal_format.h"
#include "tests/formats/signal_checks.h"

namespace orvalin::formats {
namespace {

using test::compare_durations;
using test::read_fixture;

SignalFile read_ok(SignalFormat format, const std::string& fixture) {
    std::string error;
    std::optional<SignalFile> f = read_signal_file(format, read_fixture(fixture), fixture, &error);
    EXPECT_TRUE(f) << error;
    return f.value_or(SignalFile{});
}

std::vector<std::string> names(const SignalFile& f) {
    std::vector<std::string> out;
    for (const CodeSignal& s : f.signals) out.push_back(s.name);
    return out;
}

// NEC frame of four bytes, least significant bit first, from the protocol's timings.
std::vector<int> nec_frame(std::vector<unsigned> bytes) {
    std::vector<int> out{9024, -4512};
    for (const unsigned b : bytes) {
        for (int i = 0; i < 8; ++i) {
            out.push_back(564);
            out.push_back((b >> i) & 1u ? -1692 : -564);
        }
    }
    out.push_back(564);
    return out;
}

// Bits of a pulse-distance frame after its leader: a long space is a 1.
std::vector<int> space_bits(const std::vector<int>& d, std::size_t from, int count) {
    std::vector<int> bits;
    for (std::size_t i = from; i + 1 < d.size() && static_cast<int>(bits.size()) < count; i += 2) {
        bits.push_back(-d[i + 1] > 1000 ? 1 : 0);
    }
    return bits;
}

unsigned value_lsb_first(const std::vector<int>& bits, std::size_t from, int n) {
    unsigned v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<unsigned>(bits.at(from + i)) << i;
    return v;
}

// Half-bit chips ('1' carrier on) of a bi-phase signal with chips of `chip` us.
std::string chips(const std::vector<int>& d, int chip) {
    std::string out;
    for (const int x : d)
        out.append(static_cast<std::size_t>((std::abs(x) + chip / 2) / chip), x > 0 ? '1' : '0');
    return out;
}

TEST(FormatsRead, ProntoLearnedPredefinedAndUnmodulatedCodes) {
    const SignalFile f = read_ok(SignalFormat::pronto, "remote.pronto");
    ASSERT_EQ(names(f),
              (std::vector<std::string>{"Power", "Volume up", "Standby", "Mute", "Flash"}));
    const CodeSignal& power = f.signals[0];
    EXPECT_NEAR(power.carrier_hz, 38000, 100);
    // One carrier period of resolution: 26 us.
    std::vector<int> intro = nec_frame({0x04, 0xFB, 0x08, 0xF7});
    intro.push_back(-(108000 - 68244));
    EXPECT_EQ(compare_durations(power.intro_us, intro, 0, 27), "");
    EXPECT_EQ(compare_durations(power.repeat_us, {9024, -2256, 564, -(108000 - 11844)}, 0, 27), "");

    const CodeSignal& sony = f.signals[1];
    EXPECT_NEAR(sony.carrier_hz, 40000, 200);  // Pronto's nearest: 39857 Hz
    EXPECT_TRUE(sony.intro_us.empty());
    ASSERT_EQ(sony.repeat_us.size(), 26u);  // leader, 12 bits, the frame gap in the last space
    EXPECT_NEAR(sony.repeat_us[0], 2400, 25);

    // RC5, system 0, command 12: start bits 1 1, toggle 0, 00000, 001100.
    const CodeSignal& rc5 = f.signals[2];
    EXPECT_NEAR(rc5.carrier_hz, 36000, 100);
    std::string want;
    for (const char bit : std::string("11000000001100")) want += bit == '1' ? "01" : "10";
    want.erase(0, 1);  // the leading half-bit space is silence
    while (want.back() == '0') want.pop_back();
    std::vector<int> frame = rc5.intro_us;
    frame.pop_back();  // the gap after the frame
    EXPECT_EQ(chips(frame, 889), want);

    // 900A: device 04 (subdevice FB), function 08 (complement F7): the NEC code above.
    const CodeSignal& mute = f.signals[3];
    EXPECT_EQ(compare_durations(render_press(mute, 2).durations_us,
                                render_press(power, 2).durations_us, 0, 27),
              "");

    const CodeSignal& flash = f.signals[4];
    EXPECT_EQ(flash.carrier_hz, 0);
    EXPECT_EQ(compare_durations(flash.intro_us, {494, -247, 741, -19300}, 0, 1), "");
}

TEST(FormatsRead, ProntoNameLinesThatLookLikeHex) {
    // "1" and "Add" are hex words, but too short to start a code: names.
    const std::string text =
        "1\n0000 006D 0001 0000 0010 0020\nAdd\n0000 006D 0001 0000\n0030 0040\n"
        "0000 006D 0001 0000 0050 0060\n";
    std::string error;
    const std::optional<SignalFile> f = read_signal_file(SignalFormat::pronto, text, "p", &error);
    ASSERT_TRUE(f) << error;
    EXPECT_EQ(names(*f), (std::vector<std::string>{"1", "Add", "3"}));
    EXPECT_EQ(compare_durations(f->signals[1].intro_us, {1262, -1683}, 0, 1), "");
}

TEST(FormatsRead, BroadlinkCodeListInJson) {
    CodeSignal s;
    s.intro_us = {9000, -4500, 560, -20000};
    const std::string packet = base64_encode(encode_broadlink(s));
    const std::string text = "{\n  \"commands\": {\n    \"off\": \"" + packet +
                             "\",\n    \"on\": \"" + packet + "\"\n  }\n}\n";
    EXPECT_EQ(detect_format("codes.json", text), SignalFormat::broadlink);
    std::string error;
    const std::optional<SignalFile> f =
        read_signal_file(SignalFormat::broadlink, text, "j", &error);
    ASSERT_TRUE(f) << error;
    EXPECT_EQ(names(*f), (std::vector<std::string>{"off", "on"}));
}

TEST(FormatsRead, Mode2NamedBlocks) {
    const SignalFile f = read_ok(SignalFormat::mode2, "keys.mode2");
    ASSERT_EQ(names(f), (std::vector<std::string>{"Power", "Sony"}));
    std::vector<int> want = nec_frame({0x04, 0xFB, 0x08, 0xF7});
    want.push_back(-(108000 - 68244));
    for (const int d : {9024, -2256, 564}) want.push_back(d);
    EXPECT_EQ(f.signals[0].intro_us, want);
    EXPECT_EQ(f.signals[0].carrier_hz, 38000);
    EXPECT_EQ(f.signals[1].carrier_hz, 40000);
    EXPECT_EQ(f.signals[1].intro_us.size(), 25u);

    // Without names: one signal, named "1".
    std::string error;
    const auto one = read_signal_file(SignalFormat::mode2, "pulse 100\nspace 200\npulse 300\n",
                                      "a.mode2", &error);
    ASSERT_TRUE(one) << error;
    EXPECT_EQ(names(*one), std::vector<std::string>{"1"});
    EXPECT_EQ(one->signals[0].intro_us, (std::vector<int>{100, -200, 300}));
}

TEST(FormatsRead, BroadlinkPacketsAndRepeatCount) {
    const SignalFile f = read_ok(SignalFormat::broadlink, "codes.broadlink");
    ASSERT_EQ(names(f), (std::vector<std::string>{"Power", "2"}));
    std::vector<int> want = nec_frame({0x04, 0xFB, 0x08, 0xF7});
    want.push_back(-(108000 - 68244));
    for (const int d : {9024, -2256, 564, -(108000 - 11844)}) want.push_back(d);
    // Ticks of 32.84 us: half a tick of rounding.
    EXPECT_EQ(compare_durations(f.signals[0].intro_us, want, 0, 17), "");
    EXPECT_TRUE(f.signals[0].repeat_us.empty());
    EXPECT_EQ(f.signals[0].carrier_hz, 38000);
    // Repeat count 2: sent three times; the held part is the same sequence.
    EXPECT_EQ(f.signals[1].repeat_us, f.signals[1].intro_us);
    EXPECT_EQ(render_press(f.signals[1], 2).durations_us.size(), 3 * 68u - 1);
}

TEST(FormatsRead, BroadlinkPacketLayout) {
    CodeSignal s;
    s.intro_us = {9000, -4500, 560, -20000};
    const std::vector<std::uint8_t> p = encode_broadlink(s);
    ASSERT_GE(p.size(), 16u);
    EXPECT_EQ(p.size() % 16, 0u);
    EXPECT_EQ(p[0], 0x26);
    EXPECT_EQ(p[1], 0);
    const std::size_t length = p[2] | p[3] << 8;
    // 9000 us = 274 ticks: escaped; 4500 = 137; 560 = 17; 20000 = 609: escaped.
    const std::vector<std::uint8_t> data(p.begin() + 4, p.begin() + 4 + static_cast<long>(length));
    EXPECT_EQ(data, (std::vector<std::uint8_t>{0, 0x01, 0x12, 137, 17, 0, 0x02, 0x61, 0x0d, 0x05}));
    std::string error;
    const std::optional<CodeSignal> back = decode_broadlink(p, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(compare_durations(back->intro_us, s.intro_us, 0, 17), "");
}

TEST(FormatsRead, FlipperRawAndParsedSignals) {
    const SignalFile f = read_ok(SignalFormat::flipper, "remote.ir");
    ASSERT_EQ(names(f), (std::vector<std::string>{"Power", "Raw_power", "Ext", "Sony20", "Rc5x"}));
    const std::vector<int> frame = nec_frame({0x04, 0xFB, 0x08, 0xF7});
    // Parsed NEC: the frame, then ditto frames 108 ms apart.
    const CodeSignal& power = f.signals[0];
    ASSERT_GT(power.intro_us.size(), frame.size());
    EXPECT_EQ(std::vector<int>(power.intro_us.begin(), power.intro_us.end() - 1), frame);
    EXPECT_EQ(power.intro_us.back(), -(108000 - 68244));
    EXPECT_EQ(power.repeat_us, (std::vector<int>{9024, -2256, 564, -(108000 - 11844)}));
    EXPECT_EQ(power.carrier_hz, 38000);
    ASSERT_TRUE(power.parsed);
    EXPECT_EQ(power.parsed->protocol, "NEC");

    // Raw data over two data lines.
    EXPECT_EQ(f.signals[1].intro_us, frame);
    EXPECT_DOUBLE_EQ(f.signals[1].duty_cycle, 0.33);

    // NECext: address and command bytes sent as they are.
    const std::vector<int> ext = space_bits(f.signals[2].intro_us, 2, 32);
    EXPECT_EQ(value_lsb_first(ext, 0, 8), 0x00u);
    EXPECT_EQ(value_lsb_first(ext, 8, 8), 0xDFu);
    EXPECT_EQ(value_lsb_first(ext, 16, 8), 0x1Cu);
    EXPECT_EQ(value_lsb_first(ext, 24, 8), 0xE3u);

    // SIRC20, address 0x13A: device 0x1A, extension 0x09; command 0x15.
    std::vector<int> sony;
    const std::vector<int>& s20 = f.signals[3].intro_us;
    EXPECT_NEAR(f.signals[3].carrier_hz, 40000, 1);
    for (std::size_t i = 2; i < s20.size(); i += 2) sony.push_back(s20[i] > 900 ? 1 : 0);
    ASSERT_EQ(sony.size(), 20u);
    EXPECT_EQ(value_lsb_first(sony, 0, 7), 0x15u);
    EXPECT_EQ(value_lsb_first(sony, 7, 5), 0x1Au);
    EXPECT_EQ(value_lsb_first(sony, 12, 8), 0x09u);

    // RC5X, address 5, command 0x41: second start bit 0 (command bit 6 inverted).
    std::string want;
    for (const char bit : std::string("10000101000001")) want += bit == '1' ? "01" : "10";
    want.erase(0, 1);
    while (want.back() == '0') want.pop_back();
    std::vector<int> rc5 = f.signals[4].intro_us;
    rc5.pop_back();
    EXPECT_EQ(chips(rc5, 889), want);
}

TEST(FormatsRead, FlipperProtocolsRenderEveryName) {
    for (const std::string& name : parsed_protocol_names()) {
        std::string error;
        const std::optional<CodeSignal> s = render_parsed({name, 1, 2}, &error);
        ASSERT_TRUE(s) << name << ": " << error;
        EXPECT_FALSE(s->intro_us.empty()) << name;
        EXPECT_FALSE(s->repeat_us.empty()) << name;
        EXPECT_GT(s->intro_us.front(), 0) << name;
        EXPECT_LT(s->intro_us.back(), 0) << name;
        EXPECT_GT(s->carrier_hz, 30000) << name;
    }
}

TEST(FormatsRead, KaseikyoBytesAndParity) {
    // Panasonic vendor 0x2002, genre 1 = 1, genre 2 = 2, ID 1; command 0x123.
    std::string error;
    const std::optional<CodeSignal> s =
        render_parsed({"Kaseikyo", 0x2002 | 1u << 16 | 2u << 20 | 1u << 24, 0x123}, &error);
    ASSERT_TRUE(s) << error;
    EXPECT_EQ(s->intro_us[0], 3456);
    const std::vector<int> bits = space_bits(s->intro_us, 2, 48);
    ASSERT_EQ(bits.size(), 48u);
    const unsigned b0 = value_lsb_first(bits, 0, 8), b1 = value_lsb_first(bits, 8, 8);
    const unsigned b2 = value_lsb_first(bits, 16, 8), b3 = value_lsb_first(bits, 24, 8);
    const unsigned b4 = value_lsb_first(bits, 32, 8), b5 = value_lsb_first(bits, 40, 8);
    EXPECT_EQ(b0, 0x02u);
    EXPECT_EQ(b1, 0x20u);
    EXPECT_EQ(b2, 0x10u);  // vendor parity 0, genre 1
    EXPECT_EQ(b3, 0x32u);  // genre 2, command bits 0-3
    EXPECT_EQ(b4, 0x52u);  // command bits 4-9, ID
    EXPECT_EQ(b5, b2 ^ b3 ^ b4);
}

TEST(FormatsRead, LircEncodedAndRawRemotes) {
    const SignalFile f = read_ok(SignalFormat::lirc, "remotes.lircd.conf");
    ASSERT_EQ(names(f),
              (std::vector<std::string>{"KEY_POWER", "KEY_MUTE", "KEY_POWER", "KEY_SPEED"}));
    const CodeSignal& power = f.signals[0];
    EXPECT_EQ(power.group, "tv");
    // pre_data 0x20DF then 0x10EF, most significant bit first: bytes 04 FB 08 F7 LSB first.
    std::vector<int> want = nec_frame({0x04, 0xFB, 0x08, 0xF7});
    want.push_back(-(108000 - 68244));
    EXPECT_EQ(power.intro_us, want);
    EXPECT_EQ(power.repeat_us, (std::vector<int>{9024, -2256, 564, -(108000 - 11844)}));
    // A key of several codes sends the first.
    const std::vector<int> mute = space_bits(f.signals[1].intro_us, 2, 32);
    EXPECT_EQ(value_lsb_first(mute, 16, 8), 0x09u);

    const CodeSignal* fan = f.find("fan/KEY_POWER");
    ASSERT_NE(fan, nullptr);
    EXPECT_EQ(fan->carrier_hz, 40000);
    EXPECT_EQ(fan->intro_us, (std::vector<int>{1300, -400, 1300, -400, 450, -1250, 1300, -400, 450,
                                               -1250, 450, -1250, 450, -30000}));
    EXPECT_EQ(f.find("KEY_POWER"), &f.signals[0]);
    EXPECT_EQ(f.find("fan/KEY_SPEED"), &f.signals[3]);
    EXPECT_EQ(f.find("KEY_NONE"), nullptr);
}

TEST(FormatsRead, FormatFromContentOrExtension) {
    const struct {
        const char* file;
        std::string content;
        std::optional<SignalFormat> want;
    } cases[] = {
        {"x.txt", read_fixture("remote.pronto"), SignalFormat::pronto},
        {"x.txt", read_fixture("keys.mode2"), SignalFormat::mode2},
        {"x.txt", read_fixture("codes.broadlink"), SignalFormat::broadlink},
        {"x.txt", read_fixture("remote.ir"), SignalFormat::flipper},
        {"x.txt", read_fixture("remotes.lircd.conf"), SignalFormat::lirc},
        {"x.txt", "\"power\": \"JgBQAAA=\",\n", SignalFormat::broadlink},
        // A length of 0x80 and more and a repeat count change the third character.
        {"x.txt", "Learned: JgCSAAABD4gRERE=\n", SignalFormat::broadlink},
        {"x.txt", "JgHQAAABD4gRERE=\n", SignalFormat::broadlink},
        {"tv.IR", "", SignalFormat::flipper},
        {"tv.lircd.conf", "", SignalFormat::lirc},
        {"tv.pronto", "", SignalFormat::pronto},
        {"tv.mode2", "", SignalFormat::mode2},
        {"tv.b64", "", SignalFormat::broadlink},
        {"tv.txt", "hello\n", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(detect_format(c.file, c.content), c.want) << c.file;
    for (const SignalFormat f : {SignalFormat::mode2, SignalFormat::pronto, SignalFormat::flipper,
                                 SignalFormat::lirc, SignalFormat::broadlink}) {
        EXPECT_EQ(format_from_name(format_name(f)), f);
    }
    EXPECT_EQ(format_from_name("csv"), std::nullopt);
}

TEST(FormatsRead, CodeFileByPathAndSignalByName) {
    const std::string dir = std::string(ORVALIN_TEST_DATA_DIR) + "/formats/";
    std::string error;
    const std::optional<SignalFile> lirc =
        load_signal_file(dir + "remotes.lircd.conf", std::nullopt, &error);
    ASSERT_TRUE(lirc) << error;
    EXPECT_EQ(listed_names(*lirc), (std::vector<std::string>{"tv/KEY_POWER", "tv/KEY_MUTE",
                                                             "fan/KEY_POWER", "fan/KEY_SPEED"}));
    const CodeSignal* fan = pick_signal(*lirc, std::string("fan/KEY_POWER"), &error);
    ASSERT_NE(fan, nullptr);
    EXPECT_EQ(fan->group, "fan");
    EXPECT_EQ(pick_signal(*lirc, std::nullopt, &error), nullptr);
    EXPECT_NE(error.find("holds several signals; name one of: tv/KEY_POWER, tv/KEY_MUTE"),
              std::string::npos)
        << error;
    EXPECT_EQ(pick_signal(SignalFile{"empty.ir", {}}, std::nullopt, &error), nullptr);
    EXPECT_EQ(error, "empty.ir: holds no signal");

    // A file of one signal needs no name; a format given wins over the content.
    const std::optional<SignalFile> one =
        parse_code_file("pulse 900\nspace 900\npulse 900\n", "one.txt", std::nullopt, &error);
    ASSERT_TRUE(one) << error;
    EXPECT_NE(pick_signal(*one, std::nullopt, &error), nullptr);
    EXPECT_FALSE(parse_code_file("pulse 900\n", "one.txt", SignalFormat::pronto, &error));

    EXPECT_FALSE(load_signal_file(dir + "missing.ir", std::nullopt, &error));
    EXPECT_EQ(error, dir + "missing.ir: cannot read the file");
    EXPECT_FALSE(load_signal_file(dir, std::nullopt, &error));  // a folder
}

}  // namespace
}  // namespace orvalin::formats
