#include "signals/formats/mode2_file.h"

#include <cstdlib>

#include "signals/formats/text_lines.h"

namespace orvalin::formats {

namespace {

constexpr std::string_view kNameMark = "# name:";

struct Block {
    std::string name;
    int first_line = 1;
    std::string_view text;
};

// Rebases parse_mode2's "line N: ..." onto the file's line numbers.
std::string rebased(const std::string& file_name, const Block& block, const std::string& message) {
    if (message.rfind("line ", 0) == 0) {
        const std::size_t colon = message.find(':');
        if (const std::optional<long> n = parse_long(message.substr(5, colon - 5), 1, 1L << 30)) {
            return located(file_name, block.first_line + static_cast<int>(*n) - 1,
                           "signal '" + block.name + "': " + message.substr(colon + 2));
        }
    }
    return located(file_name, block.first_line, "signal '" + block.name + "': " + message);
}

}  // namespace

std::optional<SignalFile> read_mode2(std::string_view text, const std::string& file_name,
                                     std::string* error) {
    // Each "# name:" line ends the block before it and starts a named one.
    std::vector<Block> blocks{{"1", 1, {}}};
    std::vector<std::size_t> starts{0}, ends;
    for (const TextLine& line : split_lines(text)) {
        if (line.text.rfind(kNameMark, 0) != 0) continue;
        const std::size_t at = static_cast<std::size_t>(line.text.data() - text.data());
        const std::size_t next = text.find('\n', at);
        ends.push_back(at);
        starts.push_back(next == std::string_view::npos ? text.size() : next + 1);
        blocks.push_back(
            {std::string(trim(line.text.substr(kNameMark.size()))), line.number + 1, {}});
    }
    ends.push_back(text.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        blocks[i].text = text.substr(starts[i], ends[i] - starts[i]);
    }
    // Comments before the first name are no signal of their own.
    if (blocks.size() > 1 && !ir_signals::parse_mode2(blocks.front().text)) {
        blocks.erase(blocks.begin());
    }
    SignalFile out;
    out.file_name = file_name;
    for (const Block& b : blocks) {
        std::string why;
        const std::optional<ir_signals::PulseSignal> parsed = ir_signals::parse_mode2(b.text, &why);
        if (!parsed) {
            if (error != nullptr) *error = rebased(file_name, b, why);
            return std::nullopt;
        }
        if (parsed->durations_us.size() > kMaxDurations) {
            if (error != nullptr) *error = rebased(file_name, b, "too many pulses and spaces");
            return std::nullopt;
        }
        CodeSignal s;
        s.name = b.name;
        s.carrier_hz = parsed->carrier_hz;
        s.intro_us = parsed->durations_us;
        out.signals.push_back(std::move(s));
    }
    return out;
}

std::string write_mode2(const std::vector<CodeSignal>& signals) {
    std::string out;
    for (const CodeSignal& s : signals) {
        std::string name = s.name;
        for (char& c : name) {
            if (c == '\n' || c == '\r') c = ' ';
        }
        out += std::string(kNameMark) + " " + name + "\n";
        const ir_signals::PulseSignal press = render_press(s, 1);
        out += "carrier " + std::to_string(press.carrier_hz) + "\n";
        for (const int d : press.durations_us) {
            out += d > 0 ? "pulse " : "space ";
            out += std::to_string(std::abs(d));
            out += '\n';
        }
    }
    return out;
}

}  // namespace orvalin::formats
