#include "library/device_kind.h"

#include <array>
#include <cctype>
#include <utility>

namespace orvalin::library {

namespace {

std::string lower_alnum(std::string_view s) {
    std::string out;
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u)) out += static_cast<char>(std::tolower(u));
    }
    return out;
}

// Whole names (separators dropped) and single words, lower case.
constexpr std::array<std::pair<std::string_view, DeviceKind>, 44> kWords{{
    {"tv", DeviceKind::tv},
    {"tvs", DeviceKind::tv},
    {"television", DeviceKind::tv},
    {"televisions", DeviceKind::tv},
    {"monitor", DeviceKind::tv},
    {"monitors", DeviceKind::tv},
    {"stb", DeviceKind::stb},
    {"settopbox", DeviceKind::stb},
    {"settopboxes", DeviceKind::stb},
    {"cable", DeviceKind::stb},
    {"cablebox", DeviceKind::stb},
    {"cableboxes", DeviceKind::stb},
    {"cbl", DeviceKind::stb},
    {"sat", DeviceKind::stb},
    {"satellite", DeviceKind::stb},
    {"dvb", DeviceKind::stb},
    {"iptv", DeviceKind::stb},
    {"streaming", DeviceKind::stb},
    {"mediaplayer", DeviceKind::stb},
    {"mediaplayers", DeviceKind::stb},
    {"dvd", DeviceKind::dvd},
    {"dvds", DeviceKind::dvd},
    {"bluray", DeviceKind::dvd},
    {"blurays", DeviceKind::dvd},
    {"bd", DeviceKind::dvd},
    {"vcd", DeviceKind::dvd},
    {"vcr", DeviceKind::dvd},
    {"vcrs", DeviceKind::dvd},
    {"laserdisc", DeviceKind::dvd},
    {"audio", DeviceKind::audio},
    {"amplifier", DeviceKind::audio},
    {"amplifiers", DeviceKind::audio},
    {"amp", DeviceKind::audio},
    {"receiver", DeviceKind::audio},
    {"receivers", DeviceKind::audio},
    {"soundbar", DeviceKind::audio},
    {"soundbars", DeviceKind::audio},
    {"speaker", DeviceKind::audio},
    {"speakers", DeviceKind::audio},
    {"cd", DeviceKind::audio},
    {"hifi", DeviceKind::audio},
    {"stereo", DeviceKind::audio},
    {"projector", DeviceKind::projector},
    {"projectors", DeviceKind::projector},
}};

// Words of a name: runs of letters and digits, lower case.
std::vector<std::string> words_of(std::string_view name) {
    std::vector<std::string> out(1);
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u)) {
            out.back() += static_cast<char>(std::tolower(u));
        } else if (!out.back().empty()) {
            out.emplace_back();
        }
    }
    if (out.back().empty()) out.pop_back();
    return out;
}

}  // namespace

std::string_view kind_name(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::tv:
            return "TV";
        case DeviceKind::stb:
            return "STB";
        case DeviceKind::dvd:
            return "DVD";
        case DeviceKind::audio:
            return "audio";
        case DeviceKind::projector:
            return "projector";
        case DeviceKind::other:
            break;
    }
    return "other";
}

bool parse_kind(std::string_view text, DeviceKind& kind) {
    const std::string t = lower_alnum(text);
    if (t == "other") {
        kind = DeviceKind::other;
        return true;
    }
    const DeviceKind k = kind_of_word(t);
    if (k == DeviceKind::other) return false;
    kind = k;
    return true;
}

DeviceKind kind_of_word(std::string_view word) {
    const std::string w = lower_alnum(word);
    for (const auto& [name, kind] : kWords)
        if (w == name) return kind;
    return DeviceKind::other;
}

DeviceKind kind_of_name(std::string_view name) {
    if (const DeviceKind whole = kind_of_word(name); whole != DeviceKind::other) return whole;
    const std::vector<std::string> words = words_of(name);
    // "Set_Top_Boxes", "Blu-Ray_Players": two or three words that read as one.
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string joined;
        for (std::size_t j = i; j < words.size() && j < i + 3; ++j) {
            joined += words[j];
            if (const DeviceKind k = kind_of_word(joined); k != DeviceKind::other) return k;
        }
    }
    return DeviceKind::other;
}

DeviceKind classify(const std::vector<std::string>& folders, std::string_view file_name,
                    const std::vector<std::string>& signal_names) {
    for (const std::string& f : folders)
        if (const DeviceKind k = kind_of_name(f); k != DeviceKind::other) return k;
    if (const DeviceKind k = kind_of_name(file_name); k != DeviceKind::other) return k;
    // A tray or a disc menu makes a disc player; channels without transport keys a TV.
    bool channels = false, transport = false;
    for (const std::string& n : signal_names) {
        const std::string s = lower_alnum(n);
        if (s == "eject" || s == "openclose" || s == "keyeject" || s == "keyopenclose" ||
            s == "topmenu" || s == "discmenu") {
            return DeviceKind::dvd;
        }
        if (s == "chup" || s == "chnext" || s == "channelup" || s == "keychannelup" || s == "ch")
            channels = true;
        if (s == "play" || s == "keyplay" || s == "stop" || s == "keystop") transport = true;
    }
    if (channels && !transport) return DeviceKind::tv;
    return DeviceKind::other;
}

}  // namespace orvalin::library
