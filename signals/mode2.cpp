#include "signals/mode2.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace orvalin::ir_signals {

namespace {

constexpr int kMaxCarrierHz = 1'000'000;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool parse_number(std::string_view text, long& value) {
    text = trim(text);
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

void fail(std::string* error, std::string message) {
    if (error != nullptr) *error = std::move(message);
}

}  // namespace

std::optional<PulseSignal> parse_mode2(std::string_view text, std::string* error) {
    PulseSignal signal;
    int line_number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++line_number;
        const std::size_t space = line.find_first_of(" \t");
        const std::string_view word = line.substr(0, space);
        if (word != "pulse" && word != "space" && word != "carrier") continue;
        long value = 0;
        if (space == std::string_view::npos || !parse_number(line.substr(space), value) ||
            value < 0) {
            fail(error, "line " + std::to_string(line_number) + ": bad number");
            return std::nullopt;
        }
        if (word == "carrier") {
            if (value > kMaxCarrierHz) {
                fail(error, "line " + std::to_string(line_number) + ": carrier out of range");
                return std::nullopt;
            }
            signal.carrier_hz = static_cast<int>(value);
            continue;
        }
        if (value > kMaxDurationUs) {
            fail(error, "line " + std::to_string(line_number) + ": duration out of range");
            return std::nullopt;
        }
        const bool pulse = word == "pulse";
        if (value == 0) continue;  // adds nothing, and has no sign to tell its kind
        std::vector<int>& d = signal.durations_us;
        if (d.empty() && !pulse) continue;  // a signal starts with its first pulse
        if (!d.empty() && (d.back() > 0) == pulse) {
            const long sum = std::min(std::labs(d.back()) + value, kMaxDurationUs);
            d.back() = static_cast<int>(pulse ? sum : -sum);
        } else {
            d.push_back(static_cast<int>(pulse ? value : -value));
        }
    }
    if (signal.durations_us.empty()) {
        fail(error, "no pulse in the signal");
        return std::nullopt;
    }
    return signal;
}

void push_joined(std::vector<int>& out, int duration_us) {
    if (duration_us == 0) return;
    if (!out.empty() && (out.back() > 0) == (duration_us > 0)) {
        const long sum = std::min(std::labs(out.back()) + std::labs(duration_us), kMaxDurationUs);
        out.back() = static_cast<int>(duration_us > 0 ? sum : -sum);
    } else {
        out.push_back(duration_us);
    }
}

}  // namespace orvalin::ir_signals
