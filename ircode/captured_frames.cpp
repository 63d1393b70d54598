#include "ircode/captured_frames.h"

#include "common/hex_text.h"

namespace orvalin::ircode {
namespace {

constexpr std::size_t kWord = 4;
constexpr std::size_t kPrefix = 5;  // frame count digit and the carrier characters

// Value of four upper-case hex digits, or -1.
int WordValue(std::string_view w) {
    if (w.size() != kWord) return -1;
    int value = 0;
    for (const char c : w) {
        if (c >= 'a' && c <= 'f') return -1;  // the conversion writes upper case only
        const int d = hex::digit_value(c);
        if (d < 0) return -1;
        value = value * 16 + d;
    }
    return value;
}

}  // namespace

std::optional<Capture> ReadTimingText(std::string_view text) {
    if (text.size() <= kPrefix || text[0] < '1' || text[0] > '9') return std::nullopt;
    const int frame_count = text[0] - '0';
    const int carrier = WordValue(text.substr(1, kWord));
    if (carrier < 0) return std::nullopt;
    Capture capture;
    if (carrier == 0) {
        capture.carrier_khz = 0;
    } else if ((carrier & 0xFF) == 0x12) {
        capture.carrier_khz = carrier >> 8;
        if (capture.carrier_khz == 0) return std::nullopt;
    } else {
        return std::nullopt;
    }
    std::string_view rest = text.substr(kPrefix);
    if (rest.size() % kWord != 0) return std::nullopt;
    CapturedFrame frame;
    bool closed = false;  // the last frame ended with "EDED" alone: nothing may follow
    while (!rest.empty()) {
        if (closed) return std::nullopt;
        const std::string_view w = rest.substr(0, kWord);
        rest.remove_prefix(kWord);
        if (w == "FEFE") {
            if (rest.size() < 2 * kWord || rest.substr(kWord, kWord) != "EDED") return std::nullopt;
            const int gap = WordValue(rest.substr(0, kWord));
            if (gap < 0 || frame.durations.empty()) return std::nullopt;
            frame.gap_ms = gap;
            rest.remove_prefix(2 * kWord);
            capture.frames.push_back(std::move(frame));
            frame = {};
        } else if (w == "EDED") {
            if (frame.durations.empty()) return std::nullopt;
            capture.frames.push_back(std::move(frame));
            frame = {};
            closed = true;
        } else {
            const int d = WordValue(w);
            if (d < 0) return std::nullopt;
            frame.durations.push_back(d);
        }
    }
    // A text must end with its end block; the frames must be as many as it says.
    if (!frame.durations.empty() || capture.frames.empty()) return std::nullopt;
    if (static_cast<int>(capture.frames.size()) != frame_count) return std::nullopt;
    return capture;
}

namespace {

// A real code's frame holds at least a mark, a space and a mark more.
constexpr std::size_t kCodeFrameDurations = 3;

bool StartsWithGlitch(const Capture& c) {
    return c.frames.size() >= 2 && c.frames[0].durations.size() == 1 &&
           c.frames[0].durations[0] < kGlitchMarkUs &&
           c.frames[1].durations.size() >= kCodeFrameDurations;
}

}  // namespace

bool DropLoneGlitch(Capture& capture) {
    if (!StartsWithGlitch(capture)) return false;
    capture.frames.erase(capture.frames.begin());
    return true;
}

std::string WithoutLoneGlitch(std::string_view timing_text) {
    const std::optional<Capture> c = ReadTimingText(timing_text);
    if (!c || !StartsWithGlitch(*c)) return std::string(timing_text);
    // The glitch frame: its mark, "FEFE", the gap, "EDED".
    std::string out(timing_text);
    out.erase(kPrefix, 4 * kWord);
    out[0] = static_cast<char>(out[0] - 1);
    return out;
}

}  // namespace orvalin::ircode
