// Infrared protocols that code files name and that the shipped code-type library
// covers, written from the protocols' public definitions (pulse/space timings, bit
// layouts, frame periods): the frames of a key press. Code files that name a
// protocol are rendered with them.
#pragma once

#include <functional>
#include <string>
#include <vector>

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
// The protocol of that name; std::invalid_argument when there is none.
const Protocol& protocol(const std::string& name);

// The frame's tokens spelled out in microseconds, neighbours of one kind joined.
std::vector<int> expand(const Protocol& p, const std::vector<Token>& tokens);

}  // namespace orvalin::protocols
