#include "library/key_names.h"

#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>

#include "common/key_table.h"

namespace orvalin::library {

namespace {

bool alnum(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || u >= 0x80;
}

std::vector<std::string> split_tabs(std::string_view line) {
    std::vector<std::string> out(1);
    for (const char c : line) {
        if (c == '\t') {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

bool learnable_fixed_key(int code) {
    if (code < 0 || code >= kKeysPerMode) return false;
    if (code == kTvModeKeyCode || code == kCblModeKeyCode || code == kDvdModeKeyCode) return false;
    for (const int c : kCustomKeys)
        if (c == code) return false;
    return true;
}

}  // namespace

std::string normal_name(std::string_view name) {
    // Trailing blanks and a Linux input prefix say nothing about the key.
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) {
        name.remove_suffix(1);
    }
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front()))) {
        name.remove_prefix(1);
    }
    for (const std::string_view prefix : {"key_", "btn_"}) {
        if (name.size() > prefix.size()) {
            bool same = true;
            for (std::size_t i = 0; i < prefix.size(); ++i) {
                same = same && std::tolower(static_cast<unsigned char>(name[i])) == prefix[i];
            }
            if (same) name.remove_prefix(prefix.size());
        }
    }
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == ' ' || c == '_' || c == '.' || c == '\t') continue;
        // "A-B" and "Vol-up" lose the hyphen; "Vol-" and "-/--" keep it.
        if (c == '-' && i > 0 && i + 1 < name.size() && alnum(name[i - 1]) && alnum(name[i + 1])) {
            continue;
        }
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::optional<NameMatch> KeyNames::lookup(std::string_view signal_name) const {
    const auto it = index_.find(normal_name(signal_name));
    if (it == index_.end()) return std::nullopt;
    return it->second;
}

std::optional<KeyNames> KeyNames::parse(std::string_view text, const std::string& file_name,
                                        std::string& why) {
    KeyNames table;
    std::vector<KeyNameEntry> functions;
    std::istringstream in{std::string(text)};
    int line_number = 0;
    const auto fail = [&](const std::string& message) -> std::optional<KeyNames> {
        why = file_name + ":" + std::to_string(line_number) + ": " + message;
        return std::nullopt;
    };
    std::vector<int> seen_codes;
    for (std::string line; std::getline(in, line);) {
        ++line_number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        const std::vector<std::string> cols = split_tabs(line);
        if (cols.size() < 3) return fail("a key, its name and at least one name, tab-separated");
        KeyNameEntry e;
        e.label = cols[1];
        if (cols[0] != "F") {
            int code = -1;
            const auto [end, ec] =
                std::from_chars(cols[0].data(), cols[0].data() + cols[0].size(), code, 16);
            if (ec != std::errc{} || end != cols[0].data() + cols[0].size()) {
                return fail("'" + cols[0] + "' is not a key code (hex) or F");
            }
            if (!learnable_fixed_key(code)) {
                return fail("key " + cols[0] +
                            " cannot take names (a mode key, a custom key or no key)");
            }
            for (const int c : seen_codes)
                if (c == code) return fail("key " + cols[0] + " is listed twice");
            seen_codes.push_back(code);
            e.key_code = code;
        }
        for (std::size_t i = 2; i < cols.size(); ++i) {
            if (!cols[i].empty()) e.names.push_back(cols[i]);
        }
        if (e.key_code >= 0) {
            table.entries_.push_back(std::move(e));
        } else {
            functions.push_back(std::move(e));
        }
    }
    for (auto& f : functions) table.entries_.push_back(std::move(f));
    for (std::size_t i = 0; i < table.entries_.size(); ++i) {
        const KeyNameEntry& e = table.entries_[i];
        for (std::size_t r = 0; r < e.names.size(); ++r) {
            std::string_view name = e.names[r];
            const bool fallback = name.size() > 1 && name.front() == '~';
            if (fallback) name.remove_prefix(1);
            const std::string n = normal_name(name);
            if (n.empty()) continue;
            // Fallback names rank after every other name of the key.
            const std::size_t rank = fallback ? r + e.names.size() : r;
            const auto [it, added] = table.index_.emplace(n, NameMatch{i, rank, fallback});
            if (!added && it->second.entry != i) {
                line_number = 0;
                why = file_name + ": '" + e.names[r] + "' means both " +
                      table.entries_[it->second.entry].label + " and " + e.label;
                return std::nullopt;
            }
        }
    }
    if (table.index_.empty()) {
        why = file_name + ": no names";
        return std::nullopt;
    }
    return table;
}

std::optional<KeyNames> KeyNames::load(const std::filesystem::path& file, std::string& why) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        why = file.string() + ": cannot be read";
        return std::nullopt;
    }
    std::ostringstream s;
    s << in.rdbuf();
    if (s.str().size() > 1024 * 1024) {
        why = file.string() + ": too large";
        return std::nullopt;
    }
    return parse(s.str(), file.string(), why);
}

}  // namespace orvalin::library
