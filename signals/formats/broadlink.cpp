#include "signals/formats/broadlink.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "signals/formats/text_lines.h"

namespace orvalin::formats {

namespace {

constexpr double kTickUs = 269.0 * 1000.0 / 8192.0;
constexpr std::uint8_t kInfrared = 0x26;
constexpr int kAssumedCarrierHz = 38000;
constexpr int kDefaultGapUs = 20000;
constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string_view unquoted(std::string_view s) {
    s = trim(s);
    while (!s.empty() && (s.back() == ',' || s.back() == '"')) s.remove_suffix(1);
    while (!s.empty() && s.front() == '"') s.remove_prefix(1);
    return trim(s);
}

}  // namespace

std::string base64_encode(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t n = bytes[i] << 16 | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                                (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += kAlphabet[n >> 18 & 63];
        out += kAlphabet[n >> 12 & 63];
        out += i + 1 < bytes.size() ? kAlphabet[n >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[n & 63] : '=';
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> base64_decode(std::string_view text) {
    std::vector<std::uint8_t> out;
    std::uint32_t acc = 0;
    int bits = 0;
    std::size_t padding = 0;
    for (const char c : text) {
        if (c == '=') {
            ++padding;
            continue;
        }
        if (padding > 0) return std::nullopt;  // data after the padding
        const std::size_t v = kAlphabet.find(c);
        if (v == std::string_view::npos) return std::nullopt;
        acc = (acc << 6 | static_cast<std::uint32_t>(v)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<std::uint8_t>(acc >> bits & 0xFF));
        }
    }
    // A lone sixth-bit group cannot end a byte.
    if (padding > 2 || bits >= 6) return std::nullopt;
    return out;
}

std::optional<CodeSignal> decode_broadlink(const std::vector<std::uint8_t>& packet,
                                           std::string* error) {
    const auto fail = [&](const std::string& message) {
        if (error != nullptr) *error = message;
        return std::nullopt;
    };
    if (packet.size() < 4) return fail("packet shorter than its 4-byte header");
    if (packet[0] != kInfrared) {
        return fail("packet type " + std::to_string(packet[0]) + " is not infrared (38)");
    }
    const std::size_t length = packet[2] | static_cast<std::size_t>(packet[3]) << 8;
    if (length > packet.size() - 4) {
        return fail("data length " + std::to_string(length) + " runs past the packet's " +
                    std::to_string(packet.size() - 4) + " bytes");
    }
    std::size_t end = 4 + length;
    std::vector<long> ticks;
    for (std::size_t i = 4; i < end;) {
        // The closing 0x0d 0x05, then only padding; or padding alone.
        std::size_t rest = i;
        if (i + 2 <= end && packet[i] == 0x0d && packet[i + 1] == 0x05) rest = i + 2;
        if (std::all_of(packet.begin() + static_cast<long>(rest),
                        packet.begin() + static_cast<long>(end),
                        [](std::uint8_t b) { return b == 0; })) {
            break;
        }
        if (packet[i] == 0) {
            if (i + 2 >= end) return fail("long duration cut off at byte " + std::to_string(i));
            ticks.push_back(packet[i + 1] << 8 | packet[i + 2]);
            i += 3;
        } else {
            ticks.push_back(packet[i]);
            ++i;
        }
    }
    if (ticks.empty()) return fail("packet holds no pulse");
    if (ticks.size() > kMaxDurations) return fail("too many pulses and spaces");
    CodeSignal s;
    s.carrier_hz = kAssumedCarrierHz;
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        if (ticks[k] == 0) return fail("duration " + std::to_string(k) + " is zero");
        const int us = static_cast<int>(std::lround(ticks[k] * kTickUs));
        s.intro_us.push_back(k % 2 == 0 ? us : -us);
    }
    if (packet[1] > 0) s.repeat_us = s.intro_us;
    // Sent 1 + repeat count times: the intro once, the rest as repeats.
    return s;
}

std::vector<std::uint8_t> encode_broadlink(const CodeSignal& signal) {
    std::vector<int> press = render_press(signal, 1).durations_us;
    press.push_back(-kDefaultGapUs);
    if (!signal.repeat_us.empty() && signal.repeat_us.back() < 0)
        press.back() = signal.repeat_us.back();
    else if (!signal.intro_us.empty() && signal.intro_us.back() < 0)
        press.back() = signal.intro_us.back();
    std::vector<std::uint8_t> data;
    for (const int d : press) {
        const long ticks = std::clamp(std::lround(std::abs(d) / kTickUs), 1L, 0xFFFFL);
        if (ticks < 256) {
            data.push_back(static_cast<std::uint8_t>(ticks));
        } else {
            data.push_back(0);
            data.push_back(static_cast<std::uint8_t>(ticks >> 8));
            data.push_back(static_cast<std::uint8_t>(ticks & 0xFF));
        }
    }
    data.push_back(0x0d);
    data.push_back(0x05);
    const std::size_t length = std::min<std::size_t>(data.size(), 0xFFFF);
    std::vector<std::uint8_t> packet;
    packet.reserve(4 + length + 16);
    packet.push_back(kInfrared);
    packet.push_back(0);
    packet.push_back(static_cast<std::uint8_t>(length & 0xFF));
    packet.push_back(static_cast<std::uint8_t>(length >> 8));
    for (std::size_t i = 0; i < length; ++i) packet.push_back(data[i]);
    while (packet.size() % 16 != 0) packet.push_back(0);
    return packet;
}

std::optional<SignalFile> read_broadlink(std::string_view text, const std::string& file_name,
                                         std::string* error) {
    SignalFile out;
    out.file_name = file_name;
    for (const TextLine& line : split_lines(text)) {
        std::string_view rest = line.text;
        if (rest.empty() || rest.front() == '#') continue;
        std::string name;
        const std::size_t colon = rest.find(':');
        if (colon != std::string_view::npos) {
            name = std::string(unquoted(rest.substr(0, colon)));
            rest = rest.substr(colon + 1);
        }
        rest = unquoted(rest);
        // JSON structure around a code list: braces and group names.
        if (rest.empty() || rest == "{" || rest == "}" || rest == "[" || rest == "]" ||
            rest.back() == '{' || rest.back() == '[') {
            continue;
        }
        if (name.empty()) name = std::to_string(out.signals.size() + 1);
        const auto fail = [&](const std::string& message) {
            if (error != nullptr)
                *error = located(file_name, line.number, "signal '" + name + "': " + message);
            return std::nullopt;
        };
        const std::optional<std::vector<std::uint8_t>> packet = base64_decode(rest);
        if (!packet) return fail("not base64");
        std::string why;
        std::optional<CodeSignal> s = decode_broadlink(*packet, &why);
        if (!s) return fail(why);
        s->name = name;
        out.signals.push_back(std::move(*s));
    }
    if (out.signals.empty()) {
        if (error != nullptr) *error = located(file_name, 0, "no Broadlink packet in the file");
        return std::nullopt;
    }
    return out;
}

std::string write_broadlink(const std::vector<CodeSignal>& signals) {
    std::string out;
    for (const CodeSignal& s : signals) {
        std::string name = s.name;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return c == '\n' || c == '\r' || c == ':'; },
            '_');
        out += name + ": " + base64_encode(encode_broadlink(s)) + "\n";
    }
    return out;
}

}  // namespace orvalin::formats
