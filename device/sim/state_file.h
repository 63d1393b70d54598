// The simulated remote's memory on disk, so it persists across program runs
// like a real remote's flash.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace vorkel::sim {

// VORKEL_SIM_STATE, else $XDG_DATA_HOME (or ~/.local/share) + /orvalin/simulated-remote.state.
std::filesystem::path default_state_path();

// The memory image; nullopt when the file is missing or not a state file.
std::optional<std::vector<std::uint8_t>> load_state(const std::filesystem::path& path);

// Written to a temporary file beside it and renamed over it, so a crash never
// leaves half a file. False when it could not be written.
bool save_state(const std::filesystem::path& path, const std::vector<std::uint8_t>& memory);

}  // namespace vorkel::sim
