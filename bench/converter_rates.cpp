// Learning rates of the generic learner (the core of quendrix.dll), taken through
// the capture path like a key press:
//  - the protocols of the shipped code-type library (public definitions), +-2 %
//    jitter, and variants that no code type names (other bit counts, lead-ins and
//    units, bi-phase half-bits and carriers): learned, and decoded as sent;
//  - noisy captures as receivers give them: every duration off by up to +-25 %,
//    a clipped first mark, stray short spaces inside marks, a glitch (one short
//    mark and a long silence) before the code, a lead mark that differs in one
//    frame: learned, and never a replay that differs from the capture beyond
//    the receiver's spread; and compared as strictly as a receiver: each
//    captured duration within 35 % of the replayed one or 100 us (the glitch
//    and the odd frame are not part of the code).
// Also the share of the noisy captures that the recognition path (the code
// types of QZ01.csl, before any converter) names by a code type.
// A measurement, not a test.   converter_rates [--signals N] [--draw N]
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

#include "ircode/analysis.h"
#include "ircode/generic_learner.h"
#include "ircode/replay.h"
#include "learning/recognition.h"
#include "learning/signal_capture.h"
#include "tests/support/converter_signals.h"
#include "tests/support/protocol_signals.h"

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

// The frames of a flat signal: where each starts (silences of 11 ms and more
// separate frames, as the capture conversion separates them).
std::vector<std::size_t> FrameStarts(const std::vector<int>& d) {
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 1; i + 1 < d.size(); ++i)
        if (d[i] <= -11000) starts.push_back(i + 1);
    return starts;
}

// A glitch before the code: one short mark, then 15 to 110 ms of silence.
void AddGlitch(ir_signals::PulseSignal& s, std::mt19937& rng) {
    const int mark = 40 + static_cast<int>(rng() % 400);
    const int silence = 15000 + static_cast<int>(rng() % 95000);
    s.durations_us.insert(s.durations_us.begin(), {mark, -silence});
}

// One frame after the first whose lead mark the receiver read far off: 4.4
// times (9 ms as 40 ms) or 0.3 times as long, farther than the +-25 % spread
// can reach; `without` receives the capture without that frame. False
// when the press has no later frame with a lead mark.
bool VaryLead(ir_signals::PulseSignal& s, ir_signals::PulseSignal& without, std::mt19937& rng) {
    const std::vector<std::size_t> starts = FrameStarts(s.durations_us);
    std::vector<std::size_t> candidates;
    for (std::size_t k = 1; k < starts.size(); ++k)
        if (s.durations_us[starts[k]] >= 2000) candidates.push_back(k);
    if (candidates.empty()) return false;
    const std::size_t k = candidates[rng() % candidates.size()];
    without = s;
    const auto begin = without.durations_us.begin() + static_cast<long>(starts[k]);
    const auto end = k + 1 < starts.size()
                         ? without.durations_us.begin() + static_cast<long>(starts[k + 1])
                         : without.durations_us.end();
    without.durations_us.erase(begin, end);
    while (!without.durations_us.empty() && without.durations_us.back() < 0)
        without.durations_us.pop_back();
    const double factor = rng() % 2 == 0 ? 4.4 : 0.3;
    s.durations_us[starts[k]] = static_cast<int>(s.durations_us[starts[k]] * factor);
    return true;
}

// As strict as a receiver: every captured duration within 35 % of the replayed
// one (at least 100 us); frame silences within 10 % (at least 2 ms).
// A first mark replayed longer than captured is a clipped one restored to its
// class: it is held to the mark the remote sent, `sent_first` (the clipped
// reading no longer tells what the receiver read before clipping).
std::string ReceiverCompare(const ir_signals::PulseSignal& captured,
                            const ircode::ReplayedSignal& replayed, int sent_first) {
    const std::vector<int> got = ircode::flatten(replayed);
    std::vector<int> want = converter_signals::Joined(captured.durations_us);
    while (!want.empty() && want.back() < 0) want.pop_back();
    if (got.size() != want.size())
        return "replayed " + std::to_string(got.size()) + " durations, captured " +
               std::to_string(want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        const bool silence = want[i] <= -10000;
        const double allowed = silence ? std::max(0.1 * std::abs(want[i]), 2000.0)
                                       : std::max(0.35 * std::abs(got[i]), 100.0);
        const int x = i == 0 && got[0] > want[0] ? sent_first : want[i];
        if ((got[i] > 0) != (x > 0) || std::abs(got[i] - x) > allowed)
            return "duration " + std::to_string(i) + ": replayed " + std::to_string(got[i]) +
                   ", captured " + std::to_string(x);
    }
    return {};
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
    // Each capture is compared twice: with the press as sent (within 45 %,
    // the spread and a receiver's margin) and with the capture itself as
    // strictly as a receiver (ReceiverCompare).
    const char* kinds[] = {"spread, clipped, stray", "glitch before the code",
                           "lead mark off in one frame"};
    Tally noisy, strict;
    int named = 0;
    const std::string codeinfo = std::string(ORVALIN_PROGRAM_DIR) + "/" + ircode::kCodeInfoFileName;
    std::map<std::string, Tally> by_kind;
    for (const protocols::Protocol& p : protocols::all_protocols()) {
        if (p.biphase) continue;
        for (int n = 0; n < signals / 4; ++n) {
            const int kind = n % 3;
            const auto g = protocols::generate(p, protocols::random_parameters(p, rng), 0,
                                               p.frames_per_press + (kind == 2 ? 1 : 0), rng, 0.0);
            ir_signals::PulseSignal unclipped;
            ir_signals::PulseSignal s = Noisy(g.signal, rng, unclipped);
            // What the learned code must replay: the capture without the
            // glitch or the odd frame (the first mark as clipped, or restored).
            ir_signals::PulseSignal expected = unclipped;
            if (kind == 1) AddGlitch(s, rng);
            if (kind == 2) {
                ir_signals::PulseSignal without_clip;
                if (!VaryLead(unclipped, expected, rng)) continue;
                // The same frame varied in the clipped capture.
                const std::vector<std::size_t> a = FrameStarts(s.durations_us);
                const std::vector<std::size_t> b = FrameStarts(unclipped.durations_us);
                if (a.size() != b.size()) continue;
                for (std::size_t k = 1; k < a.size(); ++k)
                    s.durations_us[a[k]] = unclipped.durations_us[b[k]];
            }
            Tally& t = by_kind[kinds[kind]];
            if (!learning::recognise_timing(ir_signals::timing_text_of(s), 0x21, codeinfo, {})
                     .type_name.empty())
                ++named;
            ++noisy.sent;
            ++t.sent;
            const auto r = learn(s);
            if (!r) {
                if (std::getenv("CONVERTER_RATES_SHOW"))
                    std::printf("%s, %s: not learned\n  timing %s\n", p.name.c_str(), kinds[kind],
                                ir_signals::timing_text_of(s).c_str());
                continue;
            }
            ++noisy.learned;
            ++t.learned;
            const std::string problem = CompareReplay(expected, *r, 0.45, 150);
            ir_signals::PulseSignal as_captured = expected;
            if (kind != 1)
                as_captured.durations_us[0] = s.durations_us[0];
            else
                as_captured.durations_us[0] = s.durations_us[2];
            const std::string strict_problem =
                ReceiverCompare(as_captured, *r, g.signal.durations_us[0]);
            if (problem.empty()) ++noisy.same;
            if (strict_problem.empty()) ++t.same;
            if ((!problem.empty() || !strict_problem.empty()) &&
                std::getenv("CONVERTER_RATES_SHOW")) {
                std::printf("%s, %s: %s / %s\n", p.name.c_str(), kinds[kind], problem.c_str(),
                            strict_problem.c_str());
                if (std::getenv("CONVERTER_RATES_SHOW")[0] == '2') {
                    std::printf("  timing %s\n  replay", ir_signals::timing_text_of(s).c_str());
                    for (const int d : ircode::flatten(*r)) std::printf(" %d", d);
                    std::printf("\n  wanted");
                    for (const int d : converter_signals::Joined(expected.durations_us))
                        std::printf(" %d", d);
                    std::printf("\n");
                }
            }
        }
    }
    noisy.print("noisy captures (+-25 %, clipped)");
    for (const auto& [name, t] : by_kind) {
        t.print("  " + name + ", strict");
        strict.add(t);
    }
    strict.print("noisy captures, receiver-strict");
    std::printf("noisy captures named by a code type: %d of %d (%.1f %%)\n", named, noisy.sent,
                noisy.sent ? 100.0 * named / noisy.sent : 0.0);
    return 0;
}
