// Where the simulated remote's captured signals come from: signals queued by a
// test, then a folder of "mode2" files, then (if enabled) the built-in demo set.
#pragma once

#include <cstddef>
#include <deque>
#include <filesystem>
#include <optional>

#include "device/signal_sampling.h"

namespace vorkel::sim {

class SignalSource {
  public:
    void queue(const PulseSignal& signal) { queued_.push_back(signal); }
    std::size_t queued() const { return queued_.size(); }
    void clear() { queued_.clear(); }
    // Empty path: no folder.
    void set_folder(const std::filesystem::path& folder) { folder_ = folder; }
    void set_demo(bool on) { demo_ = on; }

    // The signal a key press delivers now; removes it from its queue.
    std::optional<PulseSignal> next();

  private:
    std::optional<PulseSignal> next_from_folder();

    std::deque<PulseSignal> queued_;
    std::filesystem::path folder_;
    bool demo_ = false;
    std::size_t demo_index_ = 0;
};

}  // namespace vorkel::sim
