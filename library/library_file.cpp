#include "library/library_file.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "signals/formats/code_file.h"
#include "signals/formats/signal_format.h"

namespace orvalin::library {

namespace fs = std::filesystem;

namespace {

bool starts_with_nocase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    }
    return true;
}

bool ends_with_nocase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() &&
           starts_with_nocase(s.substr(s.size() - suffix.size()), suffix);
}

// The model a file name gives: LIRC's "lircd.conf.NAME" and "NAME.lircd.conf",
// else the name without its extension.
std::string model_of(std::string_view name) {
    for (const std::string_view prefix : {"lircd.conf.", "lircd."}) {
        if (starts_with_nocase(name, prefix) && name.size() > prefix.size()) {
            return std::string(name.substr(prefix.size()));
        }
    }
    for (const std::string_view suffix : {".lircd.conf", ".conf", ".ir", ".csv", ".pronto", ".hex",
                                          ".broadlink", ".b64", ".mode2", ".txt"}) {
        if (ends_with_nocase(name, suffix) && name.size() > suffix.size()) {
            return std::string(name.substr(0, name.size() - suffix.size()));
        }
    }
    return std::string(name);
}

// The first word of a name ("Samsung" of "Samsung_BN59-01054A").
std::string first_word(std::string_view name) {
    std::string out;
    for (const char c : name) {
        if (c == '_' || c == '-' || c == ' ' || c == '.') break;
        out += c;
    }
    return out;
}

constexpr std::size_t kHeadBytes = 4096;

}  // namespace

std::optional<std::string> library_format(std::string_view file_name, std::string_view head) {
    // LIRC's mouse daemon and key bindings live beside the remotes; no signals in them.
    if (starts_with_nocase(file_name, "lircmd") || starts_with_nocase(file_name, "lircrc") ||
        starts_with_nocase(file_name, "readme")) {
        return std::nullopt;
    }
    if (ends_with_nocase(file_name, ".csv")) {
        if (looks_like_irdb_csv(head)) return std::string("irdb");
        return std::nullopt;
    }
    if (const auto format = formats::detect_format(file_name, head)) {
        return std::string(formats::format_name(*format));
    }
    return std::nullopt;
}

void describe(LibraryFile& file, const fs::path& root,
              const std::vector<std::string>& signal_names) {
    const fs::path path(file.path);
    const fs::path relative = path.lexically_relative(root);
    std::vector<std::string> folders;
    if (!relative.empty() && *relative.begin() != "..") {
        for (const fs::path& part : relative.parent_path()) folders.push_back(part.string());
    }
    const std::string name = path.filename().string();
    file.model = model_of(name);
    file.kind = classify(folders, file.model, signal_names);
    // The brand: the nearest folder that names no kind of device (Kind/Brand/file,
    // Brand/Kind/file), else the first word of the file name.
    file.brand.clear();
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        if (kind_of_name(*it) == DeviceKind::other) {
            file.brand = *it;
            break;
        }
    }
    if (file.brand.empty()) file.brand = first_word(file.model);
    if (file.brand.empty()) file.brand = root.filename().string();
}

std::vector<std::string> remote_names(const LibraryFile& file) {
    std::vector<std::string> groups;
    for (const auto& s : file.signals)
        if (std::find(groups.begin(), groups.end(), s.group) == groups.end())
            groups.push_back(s.group);
    if (groups.size() <= 1) return {std::string()};
    return groups;
}

LibraryFile one_remote(const LibraryFile& file, const std::string& remote) {
    if (remote.empty()) return file;
    LibraryFile out = file;
    out.signals.clear();
    for (const auto& s : file.signals)
        if (s.group == remote) out.signals.push_back(s);
    out.model = remote;
    if (out.ok() && out.signals.empty()) out.error = file.path + ": no remote named " + remote;
    return out;
}

LibraryFile parse_library_file(std::string_view text, const fs::path& path, const fs::path& root) {
    LibraryFile file;
    file.path = path.string();
    const auto format = library_format(path.filename().string(), text.substr(0, kHeadBytes));
    std::vector<std::string> names;
    if (!format) {
        file.error = file.path + ": not a code file of a known format";
    } else if (*format == "irdb") {
        file.format = *format;
        if (auto read = read_irdb_csv(text, file.path, &file.error)) {
            file.signals = std::move(read->signals);
            file.unsupported = std::move(read->unsupported);
        }
    } else {
        file.format = *format;
        if (auto read = formats::parse_code_file(text, file.path,
                                                 formats::format_from_name(*format), &file.error)) {
            file.signals = std::move(read->signals);
            file.error.clear();
        } else if (file.error.empty()) {
            file.error = file.path + ": cannot be read";
        }
    }
    for (const auto& s : file.signals) names.push_back(s.name);
    for (const auto& u : file.unsupported) names.push_back(u.name);
    if (file.ok() && names.empty()) file.error = file.path + ": holds no signal";
    describe(file, root, names);
    return file;
}

LibraryFile read_library_file(const fs::path& path, const fs::path& root) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        LibraryFile file;
        file.path = path.string();
        file.error = file.path + ": cannot read the file";
        describe(file, root, {});
        return file;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text;
    char chunk[64 * 1024];
    while (in && text.size() <= formats::kMaxCodeFileBytes) {
        in.read(chunk, sizeof chunk);
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad() || (!in.eof() && text.empty())) {
        LibraryFile file;
        file.path = path.string();
        file.error = file.path + ": cannot read the file";
        describe(file, root, {});
        return file;
    }
    if (text.size() > formats::kMaxCodeFileBytes) {
        LibraryFile file;
        file.path = path.string();
        file.error = file.path + ": larger than a code file can be";
        describe(file, root, {});
        return file;
    }
    return parse_library_file(text, path, root);
}

}  // namespace orvalin::library
