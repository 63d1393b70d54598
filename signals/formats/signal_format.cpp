#include "signals/formats/signal_format.h"

#include <algorithm>
#include <cctype>

#include "signals/formats/broadlink.h"
#include "signals/formats/flipper_ir.h"
#include "signals/formats/lirc_config.h"
#include "signals/formats/mode2_file.h"
#include "signals/formats/pronto.h"
#include "signals/formats/text_lines.h"

namespace orvalin::formats {

namespace {

constexpr std::pair<SignalFormat, std::string_view> kNames[] = {
    {SignalFormat::mode2, "mode2"},         {SignalFormat::pronto, "pronto"},
    {SignalFormat::flipper, "flipper"},     {SignalFormat::lirc, "lirc"},
    {SignalFormat::broadlink, "broadlink"},
};

bool ends_with(std::string_view s, std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    return std::equal(
        suffix.begin(), suffix.end(), s.end() - static_cast<long>(suffix.size()),
        [](char want, char c) { return std::tolower(static_cast<unsigned char>(c)) == want; });
}

std::optional<SignalFormat> from_content(std::string_view content) {
    for (const TextLine& line : split_lines(content.substr(0, 64 * 1024))) {
        std::string_view t = line.text;
        if (t.empty() || t.front() == '#') continue;
        if (t.rfind("Filetype:", 0) == 0) return SignalFormat::flipper;
        const std::vector<std::string_view> w = split_words(t);
        if (w.size() >= 2 && w[0] == "begin" && w[1] == "remote") return SignalFormat::lirc;
        if (w[0] == "pulse" || w[0] == "space" || w[0] == "carrier") return SignalFormat::mode2;
        // Past a name, the first value tells: Pronto words or a Broadlink packet.
        const std::size_t colon = t.rfind(':');
        std::string_view value = trim(colon == std::string_view::npos ? t : t.substr(colon + 1));
        while (!value.empty() && (value.front() == '"')) value.remove_prefix(1);
        for (const std::string_view type : {"0000 ", "0100 ", "5000 ", "6000 ", "900A ", "900a "}) {
            if (value.rfind(type, 0) == 0) return SignalFormat::pronto;
        }
        // 0x26 then the repeat count: the third character also holds the top
        // bits of the length, so any base64 character may follow.
        if (value.size() >= 4 && value.rfind("Jg", 0) == 0 &&
            (std::isalnum(static_cast<unsigned char>(value[2])) || value[2] == '+' ||
             value[2] == '/'))
            return SignalFormat::broadlink;
    }
    return std::nullopt;
}

}  // namespace

std::string_view format_name(SignalFormat format) {
    for (const auto& [f, name] : kNames) {
        if (f == format) return name;
    }
    return {};
}

std::optional<SignalFormat> format_from_name(std::string_view name) {
    for (const auto& [f, n] : kNames) {
        if (n == name) return f;
    }
    return std::nullopt;
}

std::optional<SignalFormat> detect_format(std::string_view file_name, std::string_view content) {
    if (const std::optional<SignalFormat> f = from_content(content)) return f;
    if (ends_with(file_name, ".ir")) return SignalFormat::flipper;
    if (ends_with(file_name, ".conf") || ends_with(file_name, ".lircd")) return SignalFormat::lirc;
    if (ends_with(file_name, ".pronto") || ends_with(file_name, ".hex"))
        return SignalFormat::pronto;
    if (ends_with(file_name, ".mode2")) return SignalFormat::mode2;
    if (ends_with(file_name, ".broadlink") || ends_with(file_name, ".b64")) {
        return SignalFormat::broadlink;
    }
    return std::nullopt;
}

std::optional<SignalFile> read_signal_file(SignalFormat format, std::string_view content,
                                           const std::string& file_name, std::string* error) {
    switch (format) {
        case SignalFormat::mode2:
            return read_mode2(content, file_name, error);
        case SignalFormat::pronto:
            return read_pronto(content, file_name, error);
        case SignalFormat::flipper:
            return read_flipper(content, file_name, error);
        case SignalFormat::lirc:
            return read_lirc(content, file_name, error);
        case SignalFormat::broadlink:
            return read_broadlink(content, file_name, error);
    }
    return std::nullopt;
}

std::string write_signal_file(SignalFormat format, const std::vector<CodeSignal>& signals) {
    switch (format) {
        case SignalFormat::mode2:
            return write_mode2(signals);
        case SignalFormat::pronto:
            return write_pronto(signals);
        case SignalFormat::flipper:
            return write_flipper(signals);
        case SignalFormat::lirc:
            return write_lirc(signals);
        case SignalFormat::broadlink:
            return write_broadlink(signals);
    }
    return {};
}

std::string write_replayed_keys(SignalFormat format, const std::vector<ReplayedKey>& keys) {
    std::vector<CodeSignal> signals;
    for (const ReplayedKey& k : keys) {
        signals.push_back(from_replay(k.name, k.replayed));
        signals.back().parsed = k.parsed;
    }
    return write_signal_file(format, signals);
}

}  // namespace orvalin::formats
