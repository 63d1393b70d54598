#include "update/update_names.h"

namespace orvalin::update {
namespace {

bool ends_with(std::string_view s, std::string_view tail) {
    return s.size() > tail.size() && s.substr(s.size() - tail.size()) == tail;
}

}  // namespace

bool is_safe_base_name(std::string_view name) {
    if (name.empty() || name.size() > 64 || name.front() == '.') return false;
    if (name.find("..") != std::string_view::npos) return false;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
        if (!ok) return false;
    }
    return true;
}

std::string update_file_name(std::string_view name) {
    if (ends_with(name, ".csl") || ends_with(name, ".chm")) return std::string(name);
    return std::string(name) + ".dll";
}

bool is_updatable_data_file(std::string_view file) {
    // Picture bundles: the five of the main window and the update window's animation.
    static constexpr std::string_view kPictureLibraries[] = {
        "on1800.dll", "sn1800.dll", "fn1800.dll", "dn1800.dll", "bn1800.dll", "voredirav44.dll"};
    for (const auto known : kPictureLibraries)
        if (file == known) return true;
    if (file == "QZ01.csl") return true;
    return ends_with(file, ".chm");
}

bool is_safe_file_name(std::string_view file) {
    return is_safe_base_name(file) && is_updatable_data_file(file);
}

}  // namespace orvalin::update
