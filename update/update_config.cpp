#include "update/update_config.h"

#include <ini.h>
#include <strings.h>

#include <fstream>
#include <iterator>

namespace orvalin::update {
namespace {

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

struct ParseState {
    UpdateConfig config;
    std::vector<std::string> file_keys;
};

bool add_unique(std::vector<std::pair<std::string, std::string>>& list, const char* key,
                const char* value) {
    for (const auto& [k, v] : list)
        if (same_name(k, key)) return false;
    list.emplace_back(key, value);
    return true;
}

int on_entry(void* user, const char* section, const char* key, const char* value) {
    auto& state = *static_cast<ParseState*>(user);
    if (key == nullptr || value == nullptr) return 1;
    if (same_name(section, "server")) {
        add_unique(state.config.servers, key, value);
    } else if (same_name(section, "sha256")) {
        add_unique(state.config.digests, key, value);
    } else if (same_name(section, "release")) {
        add_unique(state.config.release, key, value);
    } else if (same_name(section, "tq58")) {
        bool seen = false;
        for (const auto& k : state.file_keys) seen = seen || same_name(k, key);
        if (!seen) {
            state.file_keys.emplace_back(key);
            state.config.files.emplace_back(value);
        }
    }
    return 1;  // keep going whatever the line held
}

}  // namespace

std::string UpdateConfig::server_url(std::string_view name) const {
    for (const auto& [k, v] : servers)
        if (same_name(k, name)) return v;
    return {};
}

UpdateConfig parse_update_config(std::string_view text) {
    ParseState state;
    // inih wants a terminated string; an embedded NUL ends the text like it would a file.
    const std::string copy(text.substr(0, text.find('\0')));
    ini_parse_string(copy.c_str(), on_entry, &state);
    return std::move(state.config);
}

std::optional<UpdateConfig> read_update_config(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxConfigBytes) return std::nullopt;
    }
    if (in.bad()) return std::nullopt;
    return parse_update_config(text);
}

}  // namespace orvalin::update
