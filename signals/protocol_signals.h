// Infrared signals of the protocols that the shipped code-type library covers,
// generated from the protocols' public definitions (pulse/space timings, bit
// layouts, frame periods), and a decoder that reads the data bits back from a
// replayed signal. Independent of the library's sources: this is what the
// library is checked against.
#pragma once

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ircode/replay.h"
#include "signals/mode2.h"

namespace orvalin::protocols {

struct Token {
    enum Kind { literal, symbol, toggle } kind;
    int value;  // literal: microseconds (pulse positive, gap negative); else a symbol index
};

struct Frame {
    std::vector<Token> tokens;
    bool period = true;  // true: time is start to start; false: silence after the frame
    int time_us = 0;
};

struct Protocol {
    std::string name;
    std::vector<std::string> types;  // record names that count as this protocol
    int carrier_hz = 38000;
    double chip_us = 0;                      // unit that every duration is a multiple of
    std::vector<std::vector<int>> symbols;   // durations of each symbol, microseconds
    std::vector<unsigned> parameter_limits;  // parameters are drawn from 0..limit
    // The frames of one key press: `frames` frames, first frame first.
    std::function<std::vector<Frame>(const std::vector<unsigned>& p, int toggle, int frames)> press;
    int frames_per_press = 3;
    int split_gap_us = 10000;  // a silence this long separates two frames
    // Bi-phase codes are decoded in half-bit chips; the others symbol by
    // symbol (a pulse and the gap after it, the nearest symbol wins).
    bool biphase = false;
    double tolerance = 0.15;                // replayed durations against their nominal values
    std::vector<std::string> lone_types{};  // record names for a press of one frame
};

const std::vector<Protocol>& all_protocols();
const Protocol& protocol(const std::string& name);

std::vector<unsigned> random_parameters(const Protocol& p, std::mt19937& rng);

struct Generated {
    ir_signals::PulseSignal signal;
    std::vector<Frame> frames;
    std::vector<unsigned> parameters;
    int toggle = 0;
};

// The press as a remote sends it; every pulse and gap of a frame is off by a
// random factor within +-jitter, the silences between frames by at most 2 %
// (they come from the remote's clock, not from the receiver's edges).
Generated generate(const Protocol& p, const std::vector<unsigned>& parameters, int toggle,
                   int frames, std::mt19937& rng, double jitter);

// Decodes the replayed signal frame by frame against the frames that the
// protocol sends for a press as long as the replay (at least two frames are
// checked against the generated press):
// the same symbols (toggles excepted), durations within `tolerance` of their
// nominal values, and the frames spaced as the protocol spaces them. Empty
// when everything agrees, else what differs.
std::string compare_replay(const Protocol& p, const Generated& generated,
                           const ircode::ReplayedSignal& replayed);

}  // namespace orvalin::protocols
