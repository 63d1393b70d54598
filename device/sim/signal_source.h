// Where the simulated remote's captured signals come from: signals queued by a
// test, then a folder of "mode2" files, then (if enabled) the built-in demo set.
#pragma once

#include <cstddef>
#include <deque>
#include <filesystem>
#include <optional>

#include "signals/sampling.h"

namespace vorkel::sim {

using orvalin::ir_signals::parse_mode2;
using orvalin::ir_signals::PulseSignal;

class SignalSource {
  public:
    void queue(const PulseSignal& signal) { queued_.push_back(signal); }
    std::size_t queued() const { return queued_.size(); }
    void clear() { queued_.clear(); }
    // Empty path: no folder.
    void set_folder(const std::filesystem::path& folder) { folder_ = folder; }
    void set_demo(bool on) { demo_ = on; }

    // The signal of the next key press. A queued or demo signal leaves its queue
    // now; a folder file stays until played() (so it survives a program that
    // ends before the key press arrives).
    std::optional<PulseSignal> next();
    // The signal given out last has started to play: its file moves into "played/".
    void played();

  private:
    std::optional<PulseSignal> next_from_folder();
    void move_aside(const std::filesystem::path& file);

    std::deque<PulseSignal> queued_;
    std::filesystem::path folder_;
    std::optional<std::filesystem::path> in_play_;
    bool demo_ = false;
    std::size_t demo_index_ = 0;
};

}  // namespace vorkel::sim
