#include "update/update_names.h"

namespace orvalin::update {

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

bool is_safe_file_name(std::string_view file) {
    constexpr std::string_view ext = ".dll";
    if (file.size() <= ext.size() || file.substr(file.size() - ext.size()) != ext) return false;
    return is_safe_base_name(file.substr(0, file.size() - ext.size()));
}

}  // namespace orvalin::update
