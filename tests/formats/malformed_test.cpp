// Malformed files of every format: a clear error that names the file and the
// line or field, never a crash.
#include <gtest/gtest.h>

#include <string>

#include "signals/formats/signal_format.h"

namespace orvalin::formats {
namespace {

struct Case {
    SignalFormat format;
    std::string text;
    std::string error;  // the expected message, from its start
};

const std::string kFlipperHead = "Filetype: IR signals file\nVersion: 1\n#\n";
const std::string kLircHead = "begin remote\n  name tv\n";

TEST(FormatsMalformed, ErrorNamesFileAndLineOrField) {
    const Case cases[] = {
        // Pronto
        {SignalFormat::pronto, "0000 006D 0002 0000 0010 0010",
         "bad:1: code ends early: 6 of 8 words"},
        {SignalFormat::pronto, "A: 0000 006D 0001 0000 0010\nB: 0000 006D 0001 0000 0010 0010",
         "bad:1: code ends early: 5 of 6 words"},
        {SignalFormat::pronto, "0000 0000 0001 0000 0010 0010", "bad:1: frequency word is 0"},
        {SignalFormat::pronto, "\nPower: 0000 006D 0001 0000 0010 00GG",
         "bad:2: not a Pronto hex word"},
        {SignalFormat::pronto, "7000 006D 0000 0001 0001 0002",
         "bad:1: unknown Pronto code type 7000"},
        {SignalFormat::pronto, "0000 006D 0001 0000 0010 0010 0010",
         "bad:1: more words than the code's header declares"},
        {SignalFormat::pronto, "5000 0073 0000 0001 0040 0001",
         "bad:1: address 64 out of range for RC5"},
        {SignalFormat::pronto, "0000 006D 0000 0000", "bad:1: code holds no burst pair"},
        {SignalFormat::pronto, "# nothing\n", "bad: no Pronto code in the file"},
        {SignalFormat::pronto, "0000 006D 0001 0000 0000 0010", "bad:1: a burst sequence starts"},
        // mode2
        {SignalFormat::mode2, "# name: A\npulse 100\nspace x\n", "bad:3: signal 'A': bad number"},
        {SignalFormat::mode2, "pulse 100\n# name: B\ncarrier 9999999\n",
         "bad:3: signal 'B': carrier out of range"},
        {SignalFormat::mode2, "", "bad:1: signal '1': no pulse in the signal"},
        // Broadlink
        {SignalFormat::broadlink,
         "A: JgA=", "bad:1: signal 'A': packet shorter than its 4-byte header"},
        {SignalFormat::broadlink, "x\nA: AAAAAA==", "bad:1: signal '1': not base64"},
        {SignalFormat::broadlink,
         "A: sgAAAA==", "bad:1: signal 'A': packet type 178 is not infrared"},
        {SignalFormat::broadlink, "A: JgAQAAE=", "bad:1: signal 'A': data length 16 runs past"},
        {SignalFormat::broadlink, "A: JgACAAAB", "bad:1: signal 'A': long duration cut off"},
        {SignalFormat::broadlink, "\n\n\"A\": \"JgACAA0F\",",
         "bad:3: signal 'A': packet holds no pulse"},
        {SignalFormat::broadlink, "{\n}\n", "bad: no Broadlink packet in the file"},
        // Flipper
        {SignalFormat::flipper, "name: A\n", "bad:1: Filetype and Version must come first"},
        {SignalFormat::flipper, "Filetype: IR signals file\nVersion: 2\n",
         "bad:2: field 'Version': version 2 is not supported"},
        {SignalFormat::flipper, "Filetype: SubGhz RAW File\n",
         "bad:1: field 'Filetype': not an infrared"},
        {SignalFormat::flipper, kFlipperHead + "name: A\ntype: raw\nfrequency: abc\n",
         "bad:6: field 'frequency': not a frequency in Hz"},
        {SignalFormat::flipper, kFlipperHead + "name: A\ntype: raw\nfrequency: 38000\n",
         "bad:4: signal 'A': field 'data' is missing"},
        {SignalFormat::flipper,
         kFlipperHead + "name: A\ntype: raw\nfrequency: 38000\ndata: 100 -5\n",
         "bad:7: field 'data': '-5' is not a duration"},
        {SignalFormat::flipper,
         kFlipperHead + "name: A\ntype: parsed\nprotocol: NEC\naddress: 01 00 00\n",
         "bad:7: field 'address': must be 4 bytes"},
        {SignalFormat::flipper,
         kFlipperHead + "name: A\ntype: parsed\nprotocol: NEC\naddress: 01 00 00 0X\n",
         "bad:7: field 'address': '0X' is not a hex byte"},
        {SignalFormat::flipper,
         kFlipperHead +
             "name: A\ntype: parsed\nprotocol: Foo\naddress: 01 00 00 00\ncommand: 01 00 00 00\n",
         "bad:4: signal 'A': protocol 'Foo' is not supported"},
        {SignalFormat::flipper,
         kFlipperHead +
             "name: A\ntype: parsed\nprotocol: NEC\naddress: 01 01 00 00\ncommand: 01 00 00 00\n",
         "bad:4: signal 'A': address 257 out of range for NEC"},
        {SignalFormat::flipper, kFlipperHead + "name: A\ntype: parsed\ncommand: 01 00 00 00\n",
         "bad:4: signal 'A': field 'protocol' is missing"},
        {SignalFormat::flipper, kFlipperHead + "name: A\ntype: light\n",
         "bad:5: field 'type': must be raw or parsed"},
        {SignalFormat::flipper, kFlipperHead + "frequency: 38000\n",
         "bad:4: field 'frequency' before the first name"},
        {SignalFormat::flipper, kFlipperHead + "name: A\ngarbage\n",
         "bad:5: not a 'key: value' line"},
        {SignalFormat::flipper, "Filetype: IR signals file\nVersion: 1\n",
         "bad: no signal in the file"},
        // LIRC
        {SignalFormat::lirc, "garbage\n", "bad:1: expected 'begin remote'"},
        {SignalFormat::lirc, kLircHead + "  bits 999\n", "bad:3: remote 'tv': bits: out of range"},
        {SignalFormat::lirc, kLircHead + "  header 9000\n",
         "bad:3: remote 'tv': header: needs a pulse and a space"},
        {SignalFormat::lirc, kLircHead + "  gap 12x\n",
         "bad:3: remote 'tv': gap: '12x' is not a number"},
        {SignalFormat::lirc, kLircHead + "  flags RCMM|CONST_LENGTH\n",
         "bad:3: remote 'tv': flags: RCMM remotes are not supported"},
        {SignalFormat::lirc, kLircHead + "  begin codes\n    KEY_A 0xZZ\n",
         "bad:4: key 'KEY_A': bad code '0xZZ'"},
        {SignalFormat::lirc, kLircHead + "  begin codes\n    KEY_A\n",
         "bad:4: key 'KEY_A' has no code"},
        {SignalFormat::lirc, kLircHead + "  begin codes\n    KEY_A 0x1\n  end codes\n",
         "bad: the file ends inside a remote"},
        {SignalFormat::lirc,
         kLircHead + "  bits 8\n  begin codes\n    KEY_A 0x1\n  end codes\nend remote\n",
         "bad:1: remote 'tv': 'one' and 'zero' are needed to send codes"},
        {SignalFormat::lirc,
         kLircHead + "  bits 40\n  pre_data_bits 40\n  begin codes\n  end codes\nend remote\n",
         "bad:1: remote 'tv': more than 64 bits in all"},
        {SignalFormat::lirc, kLircHead + "  flags RAW_CODES\n  begin raw_codes\n    100 200\n",
         "bad:5: durations before the first 'name'"},
        {SignalFormat::lirc,
         kLircHead + "  begin raw_codes\n    name A\n    0 200\n  end raw_codes\nend remote\n",
         "bad:4: remote 'tv': key 'A' has no pulse"},
        {SignalFormat::lirc, kLircHead + "end remote\n", "bad: no key in the file"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(read_signal_file(c.format, c.text, "bad", &error))
            << format_name(c.format) << ": " << c.text;
        EXPECT_EQ(error.substr(0, c.error.size()), c.error)
            << format_name(c.format) << ": " << c.text;
    }
}

}  // namespace
}  // namespace orvalin::formats
