// Learning rates of the generic learner (the core of quendrix.dll), taken through
// the capture path like a key press:
//  - the protocols of the shipped code-type library (public definitions), +-2 %
//    jitter, and variants that no code type names (other bit counts, lead-ins and
//    units, bi-phase half-bits and carriers): learned, and decoded as sent;
//  - noisy captures as receivers give them: every duration off by up to +-25 %,
//    a clipped first mark, stray short spaces inside marks: learned, and never a
//    replay that differs from the capture beyond the receiver's spread.
// A measurement, not a test.   converter_rates [--signals N] [--draw N]
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

#include "ircode/generic_learner.h"
#include "ircode/replay.h"
#include "signals/converter_signals.h"
#include "signals/protocol_signals.h"
#include "signals/signal_capture.h"

using namespace orvalin;
using converter_signals::CompareReplay;

namespace {

struct Tally {
    int sent = 0, learned = 0, same = 0;
    void print(const std::string& name) const {
        std::printf("%-34s %5d sent  %6.1f %% learned  %6.1f %% of learned replay as sent\n",
                    name.c_str(), sent, sent ? 100.0 * learned / sent : 0.0,
                    learned ? 100.0 * same / learned : 0.0);
    }
    void add(const Tally& t) {
        sent += t.sent;
        learned += t.learned;
        same += t.same;
    }
};

std::optional<ircode::ReplayedSignal> learn(const ir_signals::PulseSignal& s) {
    const std::string timing = ir_signals::timing_text_of(s);
    if (timing.empty()) return std::nullopt;
    const auto code = ircode::LearnGeneric(timing, 0x21);
    if (!code) return std::nullopt;
    return ircode::replay_table(code->table);
}

// Pulse-distance variants: bits, lead-in and unit that no code type names.
ir_signals::PulseSignal Variant(std::mt19937& rng, std::string& name) {
    const int bits = 8 + static_cast<int>(rng() % 41);  // 8..48
    const int leads[][2] = {{9000, 4500}, {4500, 4500}, {3000, 3000}, {8000, 4000}, {0, 0}};
    const auto& lead = leads[rng() % 5];
    const double unit = 0.75 + 0.05 * (rng() % 11);  // 0.75..1.25 of NEC's
    const int carriers[] = {33000, 36000, 38000, 40000, 56000, 0};
    const int carrier = carriers[rng() % 6];
    const bool biphase = rng() % 3 == 0;
    std::vector<int> f;
    if (lead[0] > 0) {
        f.push_back(static_cast<int>(lead[0] * unit));
        f.push_back(-static_cast<int>(lead[1] * unit));
    }
    const unsigned long long value = (static_cast<unsigned long long>(rng()) << 32) | rng();
    if (biphase) {
        const int half = static_cast<int>(400 + rng() % 700);
        converter_signals::AppendBiphase(f, static_cast<unsigned>(value), std::min(bits, 24), half,
                                         half);
        name = "bi-phase variants";
    } else {
        const int m = static_cast<int>(560 * unit);
        converter_signals::AppendBits(f, value, bits, {{m, m}, {m, 3 * m}});
        f.push_back(m);
        name = "pulse-distance variants";
    }
    std::vector<int> press = converter_signals::Joined(f);
    while (!press.empty() && press.back() < 0) press.pop_back();
    const std::vector<int> frame = press;
    press.push_back(-40000);
    press.insert(press.end(), frame.begin(), frame.end());
    return {press, carrier};
}

// A receiver's reading: +-25 % per duration, sometimes a clipped first mark and
// a stray short space inside a mark.
// `unclipped` receives the reading before the first mark was clipped.
ir_signals::PulseSignal Noisy(const ir_signals::PulseSignal& s, std::mt19937& rng,
                              ir_signals::PulseSignal& unclipped) {
    ir_signals::PulseSignal out = converter_signals::Spread(s, 0.25, rng);
    const bool clip = rng() % 2 == 0;
    const int stray = rng() % 3;
    const std::size_t at = 2 * (1 + rng() % (out.durations_us.size() / 2 - 1));
    if (stray == 0) {
        const int mark = out.durations_us[at];
        if (mark > 300 && mark < 10000) {
            out.durations_us[at] = mark / 2 - 40;
            out.durations_us.insert(out.durations_us.begin() + static_cast<long>(at) + 1,
                                    {-80, mark / 2 - 40});
        }
    }
    unclipped = out;
    if (clip) out.durations_us[0] = static_cast<int>(out.durations_us[0] * 0.6);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    int signals = 200;
    unsigned draw = 20261210;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--signals") signals = std::atoi(argv[++i]);
        if (a == "--draw") draw = static_cast<unsigned>(std::atoi(argv[++i]));
    }
    std::mt19937 rng(draw);

    Tally protocols_total;
    for (const protocols::Protocol& p : protocols::all_protocols()) {
        Tally t;
        for (int n = 0; n < signals; ++n) {
            const auto g = protocols::generate(p, protocols::random_parameters(p, rng), n & 1,
                                               p.frames_per_press, rng, 0.02);
            ++t.sent;
            const auto r = learn(g.signal);
            if (!r) continue;
            ++t.learned;
            if (protocols::compare_replay(p, g, *r).empty()) ++t.same;
        }
        t.print(p.name);
        protocols_total.add(t);
    }
    protocols_total.print("protocols, all");

    std::map<std::string, Tally> variants;
    for (int n = 0; n < 4 * signals; ++n) {
        std::string name;
        const ir_signals::PulseSignal s = Variant(rng, name);
        Tally& t = variants[name];
        ++t.sent;
        const auto r = learn(s);
        if (!r) continue;
        ++t.learned;
        const std::string problem = CompareReplay(s, *r);
        if (problem.empty()) {
            ++t.same;
        } else if (std::getenv("CONVERTER_RATES_SHOW")) {
            std::printf("%s: %s\n  timing %s\n", name.c_str(), problem.c_str(),
                        ir_signals::timing_text_of(s).c_str());
        }
    }
    for (const auto& [name, t] : variants) t.print(name);

    // Noisy captures of the protocols with classes a receiver can tell apart
    // under +-25 % (pulse-distance and pulse-width codes): the replay is
    // compared with the noisy capture itself, within the spread.
    Tally noisy;
    for (const protocols::Protocol& p : protocols::all_protocols()) {
        if (p.biphase) continue;
        for (int n = 0; n < signals / 4; ++n) {
            const auto g = protocols::generate(p, protocols::random_parameters(p, rng), 0,
                                               p.frames_per_press, rng, 0.0);
            ir_signals::PulseSignal unclipped;
            const ir_signals::PulseSignal s = Noisy(g.signal, rng, unclipped);
            ++noisy.sent;
            const auto r = learn(s);
            if (!r) continue;
            ++noisy.learned;
            const std::string problem = CompareReplay(unclipped, *r, 0.45, 150);
            if (problem.empty()) {
                ++noisy.same;
            } else if (std::getenv("CONVERTER_RATES_SHOW")) {
                std::printf("%s: %s\n", p.name.c_str(), problem.c_str());
                if (std::getenv("CONVERTER_RATES_SHOW")[0] == '2') {
                    std::printf("  timing %s\n  replay", ir_signals::timing_text_of(s).c_str());
                    for (const int d : ircode::flatten(*r)) std::printf(" %d", d);
                    std::printf("\n  sent  ");
                    for (const int d : converter_signals::Joined(unclipped.durations_us))
                        std::printf(" %d", d);
                    std::printf("\n");
                }
            }
        }
    }
    noisy.print("noisy captures (+-25 %, clipped)");
    return 0;
}
