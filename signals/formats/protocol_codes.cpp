#include "signals/formats/protocol_codes.h"

#include <cstdlib>
#include <functional>

#include "signals/protocols.h"

namespace orvalin::formats {

namespace {

using Bytes = std::vector<std::pair<std::uint32_t, int>>;  // value, bits (least significant first)

// One frame and the silence after it, as the replay of a table would give it.
ircode::ReplayedFrame frame_of(std::vector<int> durations, int gap_after, bool repeat) {
    ircode::ReplayedFrame f;
    f.durations_us = std::move(durations);
    f.gap_after_us = gap_after;
    f.repeat = repeat;
    return f;
}

long length_of(const std::vector<int>& durations) {
    long sum = 0;
    for (const int d : durations) sum += std::labs(d);
    return sum;
}

// The first frame and the held-key frame of a generator protocol, toggle 0.
CodeSignal from_generator(const std::string& name, const std::vector<unsigned>& parameters) {
    const protocols::Protocol& p = protocols::protocol(name);
    const std::vector<protocols::Frame> frames = p.press(parameters, 0, 3);
    ircode::ReplayedSignal replayed;
    replayed.carrier_hz = p.carrier_hz;
    for (std::size_t i = 0; i < 2; ++i) {
        std::vector<int> d = protocols::expand(p, frames[i].tokens);
        const long silence =
            frames[i].period ? frames[i].time_us - length_of(d) : frames[i].time_us;
        replayed.frames.push_back(frame_of(std::move(d), static_cast<int>(silence), i == 1));
    }
    return from_replay({}, replayed);
}

// Pulse-distance frames of the NEC family and Kaseikyo: leader, bits least
// significant first, a stop pulse, frames `period_us` apart.
struct PulseDistance {
    int carrier_hz, lead_mark, lead_space, unit, one_space, period_us;
    bool period = true;  // false: period_us is the silence after the frame
};

std::vector<int> pulse_distance_frame(const PulseDistance& t, const Bytes& fields) {
    std::vector<int> out{t.lead_mark, -t.lead_space};
    for (const auto& [value, bits] : fields) {
        for (int i = 0; i < bits; ++i) {
            out.push_back(t.unit);
            out.push_back((value >> i) & 1u ? -t.one_space : -t.unit);
        }
    }
    out.push_back(t.unit);
    return out;
}

CodeSignal pulse_distance(const PulseDistance& t, const Bytes& fields,
                          std::vector<int> held_frame) {
    std::vector<int> first = pulse_distance_frame(t, fields);
    const auto silence = [&](const std::vector<int>& d) {
        return static_cast<int>(t.period ? t.period_us - length_of(d) : t.period_us);
    };
    if (held_frame.empty()) held_frame = first;
    ircode::ReplayedSignal replayed;
    replayed.carrier_hz = t.carrier_hz;
    const int first_gap = silence(first);
    const int held_gap = silence(held_frame);
    replayed.frames.push_back(frame_of(std::move(first), first_gap, false));
    replayed.frames.push_back(frame_of(std::move(held_frame), held_gap, true));
    return from_replay({}, replayed);
}

// NEC timings (as the NEC1 generator) with the four bytes given: NECext keeps
// its 16-bit address and command as they are, ditto frames while held.
CodeSignal nec_bytes(std::uint32_t address16, std::uint32_t command16) {
    const PulseDistance t{38000, 9024, 4512, 564, 1692, 108000};
    return pulse_distance(t, {{address16, 16}, {command16, 16}}, {9024, -2256, 564});
}

// Kaseikyo, 48 bits: vendor ID, its parity nibble, genre 1 and 2, a 10-bit
// command, a 2-bit ID and the parity byte of bytes 2..4. The Flipper address
// holds the vendor ID (bits 0-15), genre 1 (16-19), genre 2 (20-23) and the ID
// (24-25).
CodeSignal kaseikyo(std::uint32_t address, std::uint32_t command) {
    const std::uint32_t vendor = address & 0xFFFF;
    const std::uint32_t vendor_parity =
        (vendor ^ (vendor >> 4) ^ (vendor >> 8) ^ (vendor >> 12)) & 0xF;
    const std::uint32_t genre1 = (address >> 16) & 0xF, genre2 = (address >> 20) & 0xF;
    const std::uint32_t id = (address >> 24) & 0x3;
    const std::uint32_t b2 = vendor_parity | genre1 << 4;
    const std::uint32_t b3 = genre2 | (command & 0xF) << 4;
    const std::uint32_t b4 = ((command >> 4) & 0x3F) | id << 6;
    const PulseDistance t{37000, 3456, 1728, 432, 1296, 74736, false};
    return pulse_distance(t, {{vendor, 16}, {b2, 8}, {b3, 8}, {b4, 8}, {b2 ^ b3 ^ b4, 8}}, {});
}

struct Rule {
    const char* name;
    std::uint32_t max_address, max_command;
    std::function<CodeSignal(std::uint32_t, std::uint32_t)> render;
};

const std::vector<Rule>& rules() {
    static const std::vector<Rule> all{
        {"NEC", 0xFF, 0xFF,
         [](std::uint32_t a, std::uint32_t c) {
             return from_generator("NEC1", {a, 0, c});
         }},
        {"NECext", 0xFFFF, 0xFFFF, nec_bytes},
        {"NEC42", 0x1FFF, 0xFF,
         [](std::uint32_t a, std::uint32_t c) {
             return from_generator("Sanyo LC7461", {a, c});
         }},
        {"Samsung32", 0xFF, 0xFF,
         [](std::uint32_t a, std::uint32_t c) {
             return from_generator("Samsung32", {a, 0, c});
         }},
        {"RC5", 0x1F, 0x7F,
         [](std::uint32_t a, std::uint32_t c) {
             return from_generator("RC5", {a, c});
         }},
        // RC5X: the seventh command bit is the inverted second start bit.
        {"RC5X", 0x1F, 0x7F,
         [](std::uint32_t a, std::uint32_t c) {
             return from_generator("RC5", {a, c | 0x40});
         }},
        {"RC6", 0xFF, 0xFF,
         [](std::uint32_t a, std::uint32_t c) {
             return from_generator("RC6", {a, c});
         }},
        {"SIRC", 0x1F, 0x7F,
         [](std::uint32_t a, std::uint32_t c) {
             return from_generator("Sony12", {c, a});
         }},
        {"SIRC15", 0xFF, 0x7F,
         [](std::uint32_t a, std::uint32_t c) {
             return from_generator("Sony15", {c, a});
         }},
        {"SIRC20", 0x1FFF, 0x7F,
         [](std::uint32_t a, std::uint32_t c) {
             return from_generator("Sony20", {c, a & 0x1F, a >> 5});
         }},
        {"Kaseikyo", 0x3FFFFFF, 0x3FF, kaseikyo},
        {"RCA", 0xF, 0xFF,
         [](std::uint32_t a, std::uint32_t c) {
             return from_generator("RCA", {a, c});
         }},
        {"Pioneer", 0xFF, 0xFF,
         [](std::uint32_t a, std::uint32_t c) {
             return from_generator("Pioneer", {a, 0, c});
         }},
    };
    return all;
}

}  // namespace

const std::vector<std::string>& parsed_protocol_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const Rule& r : rules()) out.emplace_back(r.name);
        return out;
    }();
    return names;
}

std::optional<CodeSignal> render_parsed(const ParsedCode& code, std::string* error) {
    const auto fail = [&](std::string message) {
        if (error != nullptr) *error = std::move(message);
        return std::nullopt;
    };
    for (const Rule& r : rules()) {
        if (code.protocol != r.name) continue;
        if (code.address > r.max_address) {
            return fail("address " + std::to_string(code.address) + " out of range for " +
                        code.protocol);
        }
        if (code.command > r.max_command) {
            return fail("command " + std::to_string(code.command) + " out of range for " +
                        code.protocol);
        }
        CodeSignal s = r.render(code.address, code.command);
        s.parsed = code;
        return s;
    }
    return fail("protocol '" + code.protocol + "' is not supported");
}

}  // namespace orvalin::formats
