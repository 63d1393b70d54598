#include "signals/formats/code_file.h"

#include <filesystem>
#include <fstream>

namespace orvalin::formats {

std::optional<SignalFile> load_signal_file(const std::string& path,
                                           std::optional<SignalFormat> format, std::string* error) {
    const auto fail = [&](const std::string& message) -> std::optional<SignalFile> {
        if (error != nullptr) *error = path + ": " + message;
        return std::nullopt;
    };
    // A folder opens as a stream on Linux and fails only on reading.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return fail("cannot read the file");
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail("cannot read the file");
    std::string text;
    char chunk[64 * 1024];
    // Reading one byte past the limit tells a file that is too large.
    while (text.size() <= kMaxCodeFileBytes) {
        in.read(chunk, sizeof chunk);
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (!in) break;
    }
    if (in.bad()) return fail("cannot read the file");
    if (text.size() > kMaxCodeFileBytes) return fail("larger than a code file can be");
    return parse_code_file(text, path, format, error);
}

std::optional<SignalFile> parse_code_file(std::string_view text, const std::string& file_name,
                                          std::optional<SignalFormat> format, std::string* error) {
    if (!format) format = detect_format(file_name, text);
    if (!format) {
        if (error != nullptr) {
            *error = file_name +
                     ": cannot tell the format; give it (mode2, pronto, flipper, lirc, broadlink)";
        }
        return std::nullopt;
    }
    return read_signal_file(*format, text, file_name, error);
}

std::string listed_name(const CodeSignal& signal) {
    return signal.group.empty() ? signal.name : signal.group + "/" + signal.name;
}

std::vector<std::string> listed_names(const SignalFile& file) {
    std::vector<std::string> out;
    out.reserve(file.signals.size());
    for (const CodeSignal& s : file.signals) out.push_back(listed_name(s));
    return out;
}

const CodeSignal* pick_signal(const SignalFile& file, const std::optional<std::string>& name,
                              std::string* error) {
    if (name) {
        if (const CodeSignal* s = file.find(*name)) return s;
    } else if (file.signals.size() == 1) {
        return &file.signals.front();
    }
    if (file.signals.empty()) {
        if (error != nullptr) *error = file.file_name + ": holds no signal";
        return nullptr;
    }
    std::string names;
    for (const std::string& n : listed_names(file)) names += (names.empty() ? "" : ", ") + n;
    if (error != nullptr) {
        *error = file.file_name + ": " +
                 (name ? "no signal named '" + *name + "'" : std::string("holds several signals")) +
                 "; name one of: " + names;
    }
    return nullptr;
}

}  // namespace orvalin::formats
