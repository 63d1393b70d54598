// The English translation of the window's texts, from translations/ in the
// program folder. Chinese is the texts as written and needs none.
#pragma once

#include <QString>
#include <string>

namespace orvalin::app {

// The language the desktop asks for: "--lang" when given, else the system
// locale's first interface language (see language_for_locale).
std::string chosen_language(const std::string& from_arguments);

// Installs the translation for language into the application and makes it the
// interface language. A language without its translation file falls back to
// Chinese; returns the language in force.
std::string install_translation(const QString& program_dir, const std::string& language);

// A text of Qt-free code (marked with ORVALIN_UI_TEXT) in the interface's language.
QString translated(const char* context, const std::string& utf8);

}  // namespace orvalin::app
