#include "app/translation.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>
#include <QTranslator>

#include "prompter/interface_language.h"

namespace orvalin::app {

std::string chosen_language(const std::string& from_arguments) {
    if (!from_arguments.empty()) return from_arguments;
    const QStringList wanted = QLocale::system().uiLanguages();
    return language_for_locale(wanted.isEmpty() ? std::string() : wanted.front().toStdString());
}

std::string install_translation(const QString& program_dir, const std::string& language) {
    std::string in_force = "zh";
    if (language != "zh") {
        // Lives as long as the application: the translations are looked up on every tr().
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QStringLiteral("orvalin_") + QString::fromStdString(language),
                             program_dir + QStringLiteral("translations"))) {
            QCoreApplication::installTranslator(translator);
            in_force = language;
        } else {
            delete translator;
        }
    }
    set_interface_language(in_force);
    return in_force;
}

QString translated(const char* context, const std::string& utf8) {
    if (utf8.empty()) return {};
    return QCoreApplication::translate(context, utf8.c_str());
}

}  // namespace orvalin::app
