#include "tests/support/converter_signals.h"

#include <cmath>
#include <cstdlib>

#include "learning/fallback_converter.h"
#include "learning/signal_capture.h"

namespace orvalin::converter_signals {

void AppendBits(std::vector<int>& out, unsigned long long value, int bits,
                const std::vector<std::pair<int, int>>& symbols, int bits_per_symbol) {
    for (int i = 0; i < bits; i += bits_per_symbol) {
        const unsigned s = (value >> i) & ((1u << bits_per_symbol) - 1);
        out.push_back(symbols[s].first);
        out.push_back(-symbols[s].second);
    }
}

void AppendBiphase(std::vector<int>& out, unsigned value, int bits, int mark_half, int space_half) {
    for (int i = bits - 1; i >= 0; --i) {
        if ((value >> i) & 1) {
            out.push_back(-space_half);
            out.push_back(mark_half);
        } else {
            out.push_back(mark_half);
            out.push_back(-space_half);
        }
    }
}

std::vector<int> Joined(const std::vector<int>& durations) {
    std::vector<int> out;
    for (const int d : durations) {
        if (d == 0) continue;
        if (!out.empty() && (out.back() > 0) == (d > 0)) {
            out.back() += d;
        } else if (!out.empty() || d > 0) {
            out.push_back(d);
        }
    }
    return out;
}

namespace {

// Frames joined with the silences after them.
ir_signals::PulseSignal Press(const std::vector<std::vector<int>>& frames, int gap_us,
                              int carrier) {
    std::vector<int> all;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        std::vector<int> f = Joined(frames[i]);
        while (!f.empty() && f.back() < 0) f.pop_back();
        all.insert(all.end(), f.begin(), f.end());
        if (i + 1 < frames.size()) all.push_back(-gap_us);
    }
    return {Joined(all), carrier};
}

std::vector<int> Nec24(int lead_mark, int lead_space, unsigned value) {
    std::vector<int> f{lead_mark, -lead_space};
    AppendBits(f, value, 24, {{560, 560}, {560, 1690}});
    f.push_back(560);
    return f;
}

}  // namespace

std::vector<ShapeCase> ShapeCases() {
    std::vector<ShapeCase> cases;
    // NEC with 24 data bits and its ditto repeat.
    {
        std::vector<std::vector<int>> frames{Nec24(9000, 4500, 0xA35C21)};
        for (int i = 0; i < 3; ++i) frames.push_back({9000, -2250, 560});
        cases.push_back({"nec_24_bits_with_ditto", "pulse-distance 24 bits, lead 9000/4500",
                         Press(frames, 40000, 38000)});
    }
    // A 4500/4500 lead-in with 24 bits, the whole frame repeated.
    {
        const std::vector<int> f = Nec24(4500, 4500, 0x5AF00F);
        cases.push_back({"lead_4500_24_bits_repeated", "pulse-distance 24 bits, lead 4500/4500",
                         Press({f, f}, 46000, 38000)});
    }
    // Four spaces of one mark (two bits a symbol), Xiaomi style.
    {
        std::vector<int> f{1000, -600};
        AppendBits(f, 0x1B1B1BULL, 24, {{590, 590}, {590, 880}, {590, 1180}, {590, 1470}}, 2);
        f.push_back(590);
        cases.push_back(
            {"four_symbol_pulse_distance", "4-symbol pulse-distance", Press({f, f}, 30000, 38000)});
    }
    // Pulse-width, 16 bits, a 3000 / 2000 lead.
    {
        std::vector<int> f{3000, -2000};
        AppendBits(f, 0xB00B, 16, {{600, 600}, {1200, 600}});
        cases.push_back({"pulse_width_16_bits", "pulse-width", Press({f, f, f}, 25000, 40000)});
    }
    // RC5 with 15 bits and 970 / 810 us half-bits.
    {
        std::vector<int> f;
        AppendBiphase(f, 0x6B35, 15, 970, 810);
        cases.push_back({"rc5_15_bits_970_810", "bi-phase", Press({f, f}, 90000, 36000)});
    }
    // 56 kHz bi-phase of a set-top box: 500 us halves behind a 2000 / 1000 lead.
    {
        std::vector<int> f{2000, -1000};
        AppendBiphase(f, 0x2D5A, 16, 500, 500);
        cases.push_back({"biphase_56_khz", "bi-phase", Press({f, f}, 60000, 56000)});
    }
    // The first mark clipped by the receiver: 9000 read as 6200.
    {
        std::vector<int> f = Nec24(9000, 4500, 0x12EDB7);
        std::vector<std::vector<int>> frames{f, {9000, -2250, 560}, {9000, -2250, 560}};
        ir_signals::PulseSignal s = Press(frames, 40000, 38000);
        s.durations_us[0] = 6200;
        cases.push_back({"clipped_first_mark", "pulse-distance 24 bits", s});
    }
    // No symbol shape: a few unrelated durations.
    cases.push_back(
        {"literal_durations", "literal", Press({{2800, -1300, 450, -2100, 1700}}, 0, 0)});
    return cases;
}

std::string TimingOf(const ir_signals::PulseSignal& signal) {
    return ir_signals::timing_text_of(signal);
}

std::string RequestOf(const std::string& timing, const std::string& code) {
    return "#99|01" + code + "\r\n0:\xB0\xB4\xC5\xA5" + "0:{X=310,Y=120}|" + timing + "\r\n";
}

ir_signals::PulseSignal Spread(const ir_signals::PulseSignal& s, double spread, std::mt19937& rng) {
    std::uniform_real_distribution<double> factor(1 - spread, 1 + spread);
    ir_signals::PulseSignal out = s;
    for (int& d : out.durations_us) {
        if (std::abs(d) >= 10000) continue;  // silences between frames: the remote's clock
        d = static_cast<int>(std::lround(d * factor(rng)));
    }
    return out;
}

std::string CompareReplay(const ir_signals::PulseSignal& sent,
                          const ircode::ReplayedSignal& replayed, double tolerance, int slack_us) {
    const std::vector<int> got = ircode::flatten(replayed);
    std::vector<int> want = Joined(sent.durations_us);
    while (!want.empty() && want.back() < 0) want.pop_back();  // melts into the silence after
    if (got.size() != want.size()) {
        return "replayed " + std::to_string(got.size()) + " durations, sent " +
               std::to_string(want.size());
    }
    for (std::size_t i = 0; i < want.size(); ++i) {
        const bool silence = want[i] <= -10000;
        const double allowed = silence ? std::max(0.1 * std::abs(want[i]), 2000.0)
                                       : std::max(tolerance * std::abs(want[i]), double(slack_us));
        if ((got[i] > 0) != (want[i] > 0) || std::abs(got[i] - want[i]) > allowed) {
            return "duration " + std::to_string(i) + ": replayed " + std::to_string(got[i]) +
                   ", sent " + std::to_string(want[i]);
        }
    }
    if (sent.carrier_hz == 0
            ? replayed.carrier_hz != 0
            : std::abs(replayed.carrier_hz - sent.carrier_hz) > 0.04 * sent.carrier_hz) {
        return "carrier " + std::to_string(replayed.carrier_hz) + " Hz, sent " +
               std::to_string(sent.carrier_hz);
    }
    return {};
}

Converter::Converter(const std::string& file) {
    const learning::ConverterLibrary lib = learning::load_converter(file);
    cominput_ = lib.cominput;
    shape_ = lib.shape;
}

std::string Converter::Ask(const std::string& request) const {
    const char* a = cominput_(request.c_str());
    return a == nullptr ? std::string("<null>") : std::string(a);
}

std::string Converter::Shape(const std::string& request) const {
    if (shape_ == nullptr) return "<no shape export>";
    const char* a = shape_(request.c_str());
    return a == nullptr ? std::string("<null>") : std::string(a);
}

}  // namespace orvalin::converter_signals
