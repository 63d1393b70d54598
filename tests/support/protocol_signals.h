// Presses of the protocols as a remote sends them (drawn parameters, jitter), and
// a decoder that reads the data bits back from a replayed signal. Independent of
// the code-type library's sources: this is what the library is checked against.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "ircode/replay.h"
#include "signals/mode2.h"
#include "signals/protocols.h"

namespace orvalin::protocols {

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
