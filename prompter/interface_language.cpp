#include "prompter/interface_language.h"

#include <string>
#include <utility>

namespace orvalin::app {
namespace {

std::string& current() {
    static std::string language = "zh";
    return language;
}

}  // namespace

std::string language_for_locale(std::string_view locale_name) {
    const std::string_view lang = locale_name.substr(0, locale_name.find_first_of("_-.@"));
    return lang == "en" ? "en" : "zh";
}

LanguageChoice language_from_arguments(int argc, const char* const* argv) {
    LanguageChoice choice;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::string_view value;
        if (arg == "--lang") {
            if (i + 1 >= argc) return {{}, "--lang needs a language: zh or en"};
            value = argv[++i];
        } else if (arg.substr(0, 7) == "--lang=") {
            value = arg.substr(7);
        } else {
            continue;
        }
        if (value != "zh" && value != "en")
            return {{}, "--lang " + std::string(value) + ": the languages are zh and en"};
        choice.language = std::string(value);
    }
    return choice;
}

const std::string& interface_language() {
    return current();
}

void set_interface_language(std::string language) {
    current() = std::move(language);
}

}  // namespace orvalin::app
