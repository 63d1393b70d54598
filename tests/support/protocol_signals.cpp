#include "tests/support/protocol_signals.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace orvalin::protocols {
namespace {

using ir_signals::push_joined;

int sum_abs(const std::vector<int>& d) {
    int s = 0;
    for (const int x : d) s += std::abs(x);
    return s;
}

// Chips: every duration as a run of +/- of length round(d / chip).
std::string chips_of(const std::vector<int>& durations, double chip) {
    std::string out;
    for (const int d : durations) {
        const long n = std::max(1L, std::lround(std::abs(d) / chip));
        out.append(static_cast<std::size_t>(n), d > 0 ? '+' : '-');
    }
    return out;
}

// Matches the chips of one frame against the token shape; fills the symbols
// read for symbol and toggle tokens. Backtracks where one symbol's chips begin
// another's.
bool match_shape(const Protocol& p, const std::vector<Token>& shape, std::size_t ti,
                 const std::string& chips, std::size_t ci, std::vector<int>& read) {
    if (ti == shape.size()) return ci == chips.size();
    const auto rest_is_gap = [&](const std::string& want) {
        // The frame's last gap melts into the silence after it.
        const std::size_t left = chips.size() - ci;
        return left < want.size() && chips.compare(ci, left, want, 0, left) == 0 &&
               want.find('+', left) == std::string::npos;
    };
    const Token& t = shape[ti];
    if (t.kind == Token::literal) {
        const std::string want = chips_of({t.value}, p.chip_us);
        if (chips.compare(ci, want.size(), want) == 0)
            return match_shape(p, shape, ti + 1, chips, ci + want.size(), read);
        return ti + 1 == shape.size() && rest_is_gap(want);
    }
    for (std::size_t s = 0; s < p.symbols.size(); ++s) {
        const std::string want = chips_of(p.symbols[s], p.chip_us);
        bool ok = false;
        if (chips.compare(ci, want.size(), want) == 0) {
            read.push_back(static_cast<int>(s));
            ok = match_shape(p, shape, ti + 1, chips, ci + want.size(), read);
            if (!ok) read.pop_back();
        } else if (ti + 1 == shape.size() && rest_is_gap(want)) {
            read.push_back(static_cast<int>(s));
            ok = true;
        }
        if (ok) return true;
    }
    return false;
}

// Pulse-distance, pulse-width and pulse-position codes: every literal is one
// duration, every symbol a pulse and a gap (the last gap of a frame may have
// melted into the silence); the symbol nearest to what was measured is read.
bool read_pairs(const Protocol& p, const std::vector<Token>& shape, const std::vector<int>& body,
                std::vector<int>& read) {
    std::size_t at = 0;
    for (std::size_t ti = 0; ti < shape.size(); ++ti) {
        const Token& t = shape[ti];
        if (t.kind == Token::literal) {
            if (at < body.size()) {
                if ((body[at] > 0) != (t.value > 0)) return false;
                ++at;
            } else if (t.value > 0 || ti + 1 != shape.size()) {
                return false;
            }
            continue;
        }
        if (at >= body.size() || body[at] < 0) return false;
        const int pulse = body[at++];
        const bool has_gap = at < body.size();
        if (!has_gap && ti + 1 != shape.size()) return false;
        const int gap = has_gap ? body[at++] : 0;
        int best = -1;
        long best_error = 0;
        for (std::size_t s = 0; s < p.symbols.size(); ++s) {
            const std::vector<int>& sym = p.symbols[s];
            long error = std::labs(pulse - sym.at(0));
            if (has_gap) error += std::labs(gap - sym.at(1));
            if (best < 0 || error < best_error) {
                best = static_cast<int>(s);
                best_error = error;
            }
        }
        read.push_back(best);
    }
    return at == body.size();
}

std::vector<std::vector<int>> split_frames(const std::vector<int>& flat, int split_gap) {
    std::vector<std::vector<int>> frames(1);
    for (const int d : flat) {
        if (d < 0 && -d >= split_gap) {
            frames.back().push_back(d);  // kept so the start of the next frame is known
            frames.emplace_back();
        } else {
            frames.back().push_back(d);
        }
    }
    if (frames.back().empty()) frames.pop_back();
    return frames;
}

}  // namespace

std::vector<unsigned> random_parameters(const Protocol& p, std::mt19937& rng) {
    std::vector<unsigned> out;
    for (const unsigned limit : p.parameter_limits) {
        out.push_back(std::uniform_int_distribution<unsigned>(0, limit)(rng));
    }
    return out;
}

Generated generate(const Protocol& p, const std::vector<unsigned>& parameters, int toggle,
                   int frames, std::mt19937& rng, double jitter) {
    Generated g;
    g.frames = p.press(parameters, toggle, frames);
    g.parameters = parameters;
    g.toggle = toggle;
    g.signal.carrier_hz = p.carrier_hz;
    std::uniform_real_distribution<double> edge(-jitter, jitter);
    std::uniform_real_distribution<double> clock(-0.02, 0.02);
    std::vector<int>& out = g.signal.durations_us;
    for (std::size_t i = 0; i < g.frames.size(); ++i) {
        const Frame& f = g.frames[i];
        std::vector<int> durations = expand(p, f.tokens);
        for (int& d : durations) d = static_cast<int>(std::lround(d * (1.0 + edge(rng))));
        for (const int d : durations) push_joined(out, d);
        if (i + 1 < g.frames.size()) {
            const int silence = f.period ? f.time_us - sum_abs(durations) : f.time_us;
            push_joined(out,
                        -std::max(1, static_cast<int>(std::lround(silence * (1.0 + clock(rng))))));
        }
    }
    while (!out.empty() && out.front() < 0) out.erase(out.begin());
    return g;
}

std::string compare_replay(const Protocol& p, const Generated& generated,
                           const ircode::ReplayedSignal& replayed) {
    const double tolerance = p.tolerance;
    const std::vector<std::vector<int>> frames =
        split_frames(ircode::flatten(replayed), p.split_gap_us);
    if (frames.empty()) return "the replay is empty";
    // A replay may send more frames than were recorded (a ditto more, say):
    // those are held against the protocol's own longer press.
    const std::vector<Frame> expected =
        frames.size() > generated.frames.size()
            ? p.press(generated.parameters, generated.toggle, static_cast<int>(frames.size()))
            : generated.frames;
    if (std::abs(replayed.carrier_hz - p.carrier_hz) > p.carrier_hz / 10) {
        return "carrier " + std::to_string(replayed.carrier_hz);
    }
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Frame& want = expected[i];
        std::vector<int> body = frames[i];
        const bool last = i + 1 == frames.size();
        int silence_after = 0;
        if (!last) {
            silence_after = -body.back();
            body.pop_back();
        }
        std::vector<int> read;
        if (p.biphase) {
            // A frame that starts with a gap shows it only as part of the silence before.
            std::string chips = chips_of(body, p.chip_us);
            const std::string nominal_chips = chips_of(expand(p, want.tokens), p.chip_us);
            std::size_t lead = 0;
            while (lead < nominal_chips.size() && nominal_chips[lead] == '-') ++lead;
            chips.insert(0, lead, '-');
            if (!match_shape(p, want.tokens, 0, chips, 0, read)) {
                return "frame " + std::to_string(i) + " does not decode: " + chips;
            }
        } else if (!read_pairs(p, want.tokens, body, read)) {
            return "frame " + std::to_string(i) + " does not decode";
        }
        std::vector<Token> decoded;
        std::size_t r = 0;
        for (const Token& t : want.tokens) {
            if (t.kind == Token::literal) {
                decoded.push_back(t);
                continue;
            }
            const int s = read.at(r++);
            if (t.kind == Token::symbol && s != t.value) {
                return "frame " + std::to_string(i) + ": symbol " + std::to_string(r - 1) + " is " +
                       std::to_string(s) + ", sent " + std::to_string(t.value);
            }
            decoded.push_back({t.kind, s});
        }
        std::vector<int> nominal = expand(p, decoded);
        const int lead_gap = !nominal.empty() && nominal.front() < 0 ? -nominal.front() : 0;
        if (lead_gap > 0) nominal.erase(nominal.begin());
        int trailing_gap = 0;
        if (!nominal.empty() && nominal.back() < 0) {
            trailing_gap = -nominal.back();
            nominal.pop_back();
        }
        if (!body.empty() && body.back() < 0) body.pop_back();
        if (nominal.size() != body.size())
            return "frame " + std::to_string(i) + ": durations differ in number";
        for (std::size_t k = 0; k < body.size(); ++k) {
            const double allowed = tolerance * std::abs(nominal[k]) + 20;
            if (std::abs(std::abs(body[k]) - std::abs(nominal[k])) > allowed) {
                return "frame " + std::to_string(i) + ": duration " + std::to_string(k) + " is " +
                       std::to_string(body[k]) + ", nominal " + std::to_string(nominal[k]);
            }
        }
        if (!last) {
            // First pulse to first pulse: the frame, its end rule, and the next frame's hidden gap.
            const int length = sum_abs(body) + trailing_gap;
            const Frame& next = expected[i + 1];
            const std::vector<int> next_nominal = expand(p, next.tokens);
            const int next_lead =
                !next_nominal.empty() && next_nominal.front() < 0 ? -next_nominal.front() : 0;
            const long expected =
                (want.period ? want.time_us - lead_gap : length + want.time_us) + next_lead;
            const long actual = sum_abs(body) + silence_after;
            if (std::abs(actual - expected) > expected / 10) {
                return "frame " + std::to_string(i + 1) + " starts " + std::to_string(actual) +
                       " us after frame " + std::to_string(i) + ", expected " +
                       std::to_string(expected);
            }
        }
    }
    return {};
}

}  // namespace orvalin::protocols
