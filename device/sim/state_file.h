// The simulated remote's memory on disk, so it persists across program runs
// like a real remote's flash, and is one remote for every process that uses it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace vorkel::sim {

// VORKEL_SIM_STATE, else $XDG_DATA_HOME (or ~/.local/share) + /orvalin/simulated-remote.state.
std::filesystem::path default_state_path();

enum class StateRead { ok, missing, damaged };

struct LoadedState {
    StateRead status = StateRead::missing;
    std::vector<std::uint8_t> memory;  // the memory image when ok
};

// Reads the state file; damaged when it is there but not a whole state file.
LoadedState read_state(const std::filesystem::path& path);

// The memory image; nullopt when the file is missing or not a state file.
std::optional<std::vector<std::uint8_t>> load_state(const std::filesystem::path& path);

// Written to a temporary file beside it, flushed to the disk and renamed over it,
// so a crash never leaves half a file. False when it could not be written.
bool save_state(const std::filesystem::path& path, const std::vector<std::uint8_t>& memory);

// Moves a damaged state file aside ("<name>.damaged-<seconds>-<pid>[-n]") so that
// it is kept, never silently replaced; the new name, or empty when it could not be moved.
std::filesystem::path set_aside_damaged(const std::filesystem::path& path);

// Exclusive advisory lock on the state file's folder, held from construction to
// destruction: one transaction of one process at a time on the shared remote.
class StateLock {
  public:
    explicit StateLock(const std::filesystem::path& state_path);
    ~StateLock();
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

  private:
    int fd_ = -1;
};

}  // namespace vorkel::sim
