// The language of the windows' texts: Chinese (the texts as written) or English
// (the translation). Chosen once at start-up; the help page follows it.
#pragma once

#include <string>
#include <string_view>

namespace orvalin::app {

// "en" for any English locale name ("en", "en_GB.UTF-8", "en-US"), "zh" for
// everything else: Chinese locales and the languages that have no translation.
std::string language_for_locale(std::string_view locale_name);

// "--lang zh|en" among the program's arguments: the language it names; empty when
// there is none. false (and a reason) for a value that is neither.
struct LanguageChoice {
    std::string language;  // "zh", "en" or empty
    std::string error;
};
LanguageChoice language_from_arguments(int argc, const char* const* argv);

// The language in use ("zh" until start-up says otherwise).
const std::string& interface_language();
void set_interface_language(std::string language);

}  // namespace orvalin::app
