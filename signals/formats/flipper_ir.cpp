#include "signals/formats/flipper_ir.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "signals/formats/protocol_codes.h"
#include "signals/formats/text_lines.h"

namespace orvalin::formats {

namespace {

constexpr double kDefaultDutyCycle = 0.33;

struct Pending {
    std::string name;
    int line = 0;
    std::string type;
    std::optional<long> frequency;
    std::optional<double> duty_cycle;
    std::vector<int> data;
    bool has_data = false;
    std::string protocol;
    std::optional<std::uint32_t> address, command;
};

class Reader {
  public:
    Reader(const std::string& file_name, std::string* error) : file_(file_name), error_(error) {}

    std::optional<SignalFile> read(std::string_view text) {
        SignalFile out;
        out.file_name = file_;
        bool filetype = false, version = false;
        std::optional<Pending> p;
        for (const TextLine& line : split_lines(text)) {
            if (line.text.empty() || line.text.front() == '#') continue;
            const std::size_t colon = line.text.find(':');
            if (colon == std::string_view::npos)
                return fail(line.number, "not a 'key: value' line");
            const std::string_view key = trim(line.text.substr(0, colon));
            const std::string_view value = trim(line.text.substr(colon + 1));
            const auto bad = [&](const std::string& message) {
                return fail(line.number, "field '" + std::string(key) + "': " + message);
            };
            if (key == "Filetype") {
                if (value != "IR signals file" && value != "IR library file") {
                    return bad("not an infrared file: '" + std::string(value) + "'");
                }
                filetype = true;
                continue;
            }
            if (key == "Version") {
                if (value != "1") return bad("version " + std::string(value) + " is not supported");
                version = true;
                continue;
            }
            if (!filetype || !version)
                return fail(line.number, "Filetype and Version must come first");
            if (key == "name") {
                if (p && !finish(*p, out)) return std::nullopt;
                p = Pending{};
                p->name = std::string(value);
                p->line = line.number;
                if (p->name.empty()) return bad("empty name");
                continue;
            }
            if (!p)
                return fail(line.number, "field '" + std::string(key) + "' before the first name");
            if (key == "type") {
                if (value != "raw" && value != "parsed") return bad("must be raw or parsed");
                p->type = std::string(value);
            } else if (key == "frequency") {
                p->frequency = parse_long(value, 0, kMaxCarrierHz);
                if (!p->frequency) return bad("not a frequency in Hz");
            } else if (key == "duty_cycle") {
                p->duty_cycle = parse_decimal(value);
                if (!p->duty_cycle || *p->duty_cycle < 0 || *p->duty_cycle > 1) {
                    return bad("not a duty cycle between 0 and 1");
                }
            } else if (key == "data") {
                // Long signals may be split over several data lines.
                for (const std::string_view w : split_words(value)) {
                    const std::optional<long> us = parse_long(w, 0, kMaxDurationUs);
                    if (!us)
                        return bad("'" + std::string(w) + "' is not a duration in microseconds");
                    if (p->data.size() >= kMaxDurations) return bad("too many durations");
                    // Pulse first, then alternating; a zero keeps its place.
                    p->data.push_back(p->data.size() % 2 == 0 ? static_cast<int>(*us)
                                                              : -static_cast<int>(*us));
                }
                p->has_data = true;
            } else if (key == "protocol") {
                p->protocol = std::string(value);
            } else if (key == "address" || key == "command") {
                const std::vector<std::string_view> bytes = split_words(value);
                if (bytes.size() != 4) return bad("must be 4 bytes");
                std::uint32_t v = 0;
                for (std::size_t i = 0; i < 4; ++i) {
                    const std::optional<std::uint64_t> b = parse_hex(bytes[i]);
                    if (!b || *b > 0xFF || bytes[i].size() > 2) {
                        return bad("'" + std::string(bytes[i]) + "' is not a hex byte");
                    }
                    v |= static_cast<std::uint32_t>(*b) << (8 * i);
                }
                (key == "address" ? p->address : p->command) = v;
            }
            // Other keys are left for newer versions of the format.
        }
        if (!filetype) return fail(0, "no 'Filetype: IR signals file' header");
        if (p && !finish(*p, out)) return std::nullopt;
        if (out.signals.empty()) return fail(0, "no signal in the file");
        return out;
    }

  private:
    std::nullopt_t fail(int line, const std::string& message) {
        if (error_ != nullptr) *error_ = located(file_, line, message);
        return std::nullopt;
    }

    bool finish(Pending& p, SignalFile& out) {
        const auto missing = [&](const char* field) {
            fail(p.line, "signal '" + p.name + "': field '" + field + "' is missing");
            return false;
        };
        CodeSignal s;
        s.name = p.name;
        if (p.type == "raw") {
            if (!p.frequency) return missing("frequency");
            if (!p.has_data) return missing("data");
            s.carrier_hz = static_cast<int>(*p.frequency);
            s.duty_cycle = p.duty_cycle.value_or(0);
            for (const int d : p.data) push_joined(s.intro_us, d);
            if (s.intro_us.empty()) {
                fail(p.line, "signal '" + p.name + "': field 'data' holds no pulse");
                return false;
            }
        } else if (p.type == "parsed") {
            if (p.protocol.empty()) return missing("protocol");
            if (!p.address) return missing("address");
            if (!p.command) return missing("command");
            std::string why;
            std::optional<CodeSignal> rendered =
                render_parsed(ParsedCode{p.protocol, *p.address, *p.command}, &why);
            if (!rendered) {
                fail(p.line, "signal '" + p.name + "': " + why);
                return false;
            }
            s = std::move(*rendered);
            s.name = p.name;
        } else {
            return missing("type");
        }
        out.signals.push_back(std::move(s));
        return true;
    }

    std::string file_;
    std::string* error_;
};

std::string hex_bytes(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X %02X %02X %02X", v & 0xFF, v >> 8 & 0xFF, v >> 16 & 0xFF,
                  v >> 24 & 0xFF);
    return buf;
}

}  // namespace

std::optional<SignalFile> read_flipper(std::string_view text, const std::string& file_name,
                                       std::string* error) {
    return Reader(file_name, error).read(text);
}

std::string write_flipper(const std::vector<CodeSignal>& signals) {
    std::string out = "Filetype: IR signals file\nVersion: 1\n";
    const std::vector<std::string>& known = parsed_protocol_names();
    for (const CodeSignal& s : signals) {
        std::string name = s.name;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
        if (name.empty()) name = "key";
        out += "#\nname: " + name + "\n";
        if (s.parsed && std::find(known.begin(), known.end(), s.parsed->protocol) != known.end()) {
            out += "type: parsed\nprotocol: " + s.parsed->protocol + "\n";
            out += "address: " + hex_bytes(s.parsed->address) + "\n";
            out += "command: " + hex_bytes(s.parsed->command) + "\n";
            continue;
        }
        char duty[32];
        std::snprintf(duty, sizeof duty, "%.6f",
                      s.duty_cycle > 0 ? s.duty_cycle : kDefaultDutyCycle);
        out += "type: raw\nfrequency: " + std::to_string(s.carrier_hz) + "\nduty_cycle: " + duty +
               "\ndata:";
        for (const int d : render_press(s, 1).durations_us)
            out += " " + std::to_string(std::abs(d));
        out += "\n";
    }
    return out;
}

}  // namespace orvalin::formats
