#include "prompter/localized_picture.h"

#include <QResource>

#include "prompter/interface_language.h"

namespace orvalin::ui {

QString localized_picture(const QString& resource) {
    if (app::interface_language() != "en" || !resource.startsWith(QStringLiteral(":/")))
        return resource;
    const QString twin = QStringLiteral(":/en/") + resource.mid(2);
    return QResource(twin).isValid() ? twin : resource;
}

QString localized_library_dir(const QString& program_dir) {
    return program_dir + QStringLiteral("translations/en/");
}

}  // namespace orvalin::ui
