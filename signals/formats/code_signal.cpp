#include "signals/formats/code_signal.h"

#include <algorithm>
#include <cstdlib>

namespace orvalin::formats {

namespace {

constexpr int kLoneFrameGapUs = 20000;
constexpr int kMinGapUs = 10000;

}  // namespace

const CodeSignal* SignalFile::find(const std::string& name) const {
    for (const CodeSignal& s : signals) {
        if (s.name == name) return &s;
    }
    for (const CodeSignal& s : signals) {
        if (!s.group.empty() && s.group + "/" + s.name == name) return &s;
    }
    return nullptr;
}

ir_signals::PulseSignal render_press(const CodeSignal& signal, int repeats) {
    ir_signals::PulseSignal out;
    out.carrier_hz = signal.carrier_hz;
    for (const int d : signal.intro_us) push_joined(out.durations_us, d);
    if (signal.intro_us.empty()) repeats = std::max(repeats, 1);
    for (int i = 0; i < repeats; ++i) {
        for (const int d : signal.repeat_us) push_joined(out.durations_us, d);
    }
    while (!out.durations_us.empty() && out.durations_us.front() < 0) {
        out.durations_us.erase(out.durations_us.begin());
    }
    while (!out.durations_us.empty() && out.durations_us.back() < 0) out.durations_us.pop_back();
    return out;
}

CodeSignal from_replay(const std::string& name, const ircode::ReplayedSignal& replayed) {
    CodeSignal out;
    out.name = name;
    out.carrier_hz = replayed.carrier_hz;
    const std::vector<ircode::ReplayedFrame>& frames = replayed.frames;
    const auto frame_length = [](const ircode::ReplayedFrame& f) {
        long sum = 0;
        for (const int d : f.durations_us) sum += std::labs(d);
        return sum;
    };
    // The silence after a frame; the last frame borrows the period of the one before.
    const auto gap_after = [&](std::size_t i) {
        if (frames[i].gap_after_us > 0) return frames[i].gap_after_us;
        if (i == 0) return kLoneFrameGapUs;
        const long period = frame_length(frames[i - 1]) + frames[i - 1].gap_after_us;
        return static_cast<int>(std::max<long>(kMinGapUs, period - frame_length(frames[i])));
    };
    const auto append = [](std::vector<int>& to, const ircode::ReplayedFrame& f, int gap) {
        for (const int d : f.durations_us) {
            // A frame that starts with a gap (bi-phase) adds it to the silence before.
            if (to.empty() && d < 0) continue;
            push_joined(to, d);
        }
        push_joined(to, -gap);
    };
    std::size_t first_repeat = frames.size();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].repeat) {
            first_repeat = i;
            break;
        }
    }
    for (std::size_t i = 0; i < first_repeat; ++i) append(out.intro_us, frames[i], gap_after(i));
    if (first_repeat < frames.size()) {
        const ircode::ReplayedFrame& r = frames[first_repeat];
        // The repeat frame's leading gap belongs to the silence before it.
        if (!r.durations_us.empty() && r.durations_us.front() < 0 && !out.intro_us.empty()) {
            push_joined(out.intro_us, r.durations_us.front());
        }
        int gap = gap_after(first_repeat);
        if (!r.durations_us.empty() && r.durations_us.front() < 0) gap -= r.durations_us.front();
        append(out.repeat_us, r, gap);
    }
    return out;
}

std::string located(const std::string& file_name, int line, const std::string& message) {
    if (line <= 0) return file_name + ": " + message;
    return file_name + ":" + std::to_string(line) + ": " + message;
}

}  // namespace orvalin::formats
