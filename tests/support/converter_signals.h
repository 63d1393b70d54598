// Signals that no code type of the shipped library names, built as a remote sends
// them, and the helpers the converter tests share: the capture path to a timing
// text, the request text, the real quendrix.dll loaded by file name.
#pragma once

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ircode/replay.h"
#include "signals/mode2.h"

namespace orvalin::converter_signals {

struct ShapeCase {
    std::string name;
    std::string shape_starts;  // what the shape description begins with
    ir_signals::PulseSignal signal;
};

// Pulse-distance or pulse-width bits: each bit a mark and a space.
void AppendBits(std::vector<int>& out, unsigned long long value, int bits,
                const std::vector<std::pair<int, int>>& symbols, int bits_per_symbol = 1);
// Bi-phase bits of half-bit `mark_half` / `space_half`: 1 = space then mark
// (RC5), joined with neighbours of one kind.
void AppendBiphase(std::vector<int>& out, unsigned value, int bits, int mark_half, int space_half);
// Joins neighbours of one kind and drops a leading space.
std::vector<int> Joined(const std::vector<int>& durations);

std::vector<ShapeCase> ShapeCases();

// The timing text the program builds for the signal (frame count and carrier).
std::string TimingOf(const ir_signals::PulseSignal& signal);
// The request text in GBK for table code KK.
std::string RequestOf(const std::string& timing, const std::string& code);

// The signal with every pulse and space off by a random factor within +-spread.
ir_signals::PulseSignal Spread(const ir_signals::PulseSignal& s, double spread, std::mt19937& rng);

// Empty when the replay plays the signal within tolerance (each duration within
// max(tolerance x, slack_us), silences between frames within 10 % or 2 ms; a
// trailing space of the sent signal is not compared).
std::string CompareReplay(const ir_signals::PulseSignal& sent,
                          const ircode::ReplayedSignal& replayed, double tolerance = 0.1,
                          int slack_us = 60);

// The real converter, loaded by file name from the program folder.
class Converter {
  public:
    // Through the program's own loader: the library stays loaded.
    explicit Converter(const std::string& file);
    bool loaded() const { return cominput_ != nullptr; }
    std::string Ask(const std::string& request) const;
    std::string Shape(const std::string& request) const;

  private:
    const char* (*cominput_)(const char*) = nullptr;
    const char* (*shape_)(const char*) = nullptr;
};

}  // namespace orvalin::converter_signals
