// The update configuration "update.ini" as the update server publishes it: section
// "server" (display name = base URL), section "tq58" (any key = name|date|size),
// section "sha256" (file name = SHA-256 in hex|size) and section "release" (serial
// and expiry), all of which the signature covers.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvalin::update {

struct UpdateConfig {
    // Keys of section "server" with their values, in file order. A key repeated
    // (ignoring case, as INI files are read) keeps its first value.
    std::vector<std::pair<std::string, std::string>> servers;
    // Values of section "tq58", in the order of their keys (first value per key).
    std::vector<std::string> files;
    // Keys of section "sha256" (file names) with their values, in file order.
    std::vector<std::pair<std::string, std::string>> digests;
    // Keys of section "release" ("serial", "expires") with their values.
    std::vector<std::pair<std::string, std::string>> release;

    // The base URL stored under name; empty when there is none.
    std::string server_url(std::string_view name) const;
};

// The largest configuration the window accepts (a real one is a few hundred bytes).
inline constexpr std::size_t kMaxConfigBytes = 1 << 20;

// Lenient like the INI readers the configuration was written for: lines that are
// not "key=value" or "[section]" are ignored, sections other than the two are ignored.
UpdateConfig parse_update_config(std::string_view text);

// Reads and parses a saved configuration; nullopt when the file cannot be read or
// is larger than kMaxConfigBytes.
std::optional<UpdateConfig> read_update_config(const std::filesystem::path& file);

}  // namespace orvalin::update
