#include "app/window_widgets.h"

#include <QLabel>

#include "app/ibtn.h"
#include "prompter/localized_picture.h"

namespace orvalin::app {

QPixmap window_picture(const char* name) {
    return QPixmap(ui::localized_picture(QStringLiteral(":/window/") + QLatin1String(name)));
}

QLabel* picture_label(QWidget* parent, const char* name, QRect where) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(where);
    label->setScaledContents(true);
    return label;
}

QLabel* text_label(QWidget* parent, const char* name, QRect where) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(where);
    return label;
}

IBtn* tool_button(QWidget* parent, const char* name, QRect where, const char* picture,
                  const char* disable_picture, const QString& hint) {
    auto* b = new IBtn(parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(where);
    if (picture != nullptr) b->setPicture(window_picture(picture));
    if (disable_picture != nullptr) b->setDisablePic(window_picture(disable_picture));
    if (!hint.isEmpty()) b->setToolTip(hint);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

}  // namespace orvalin::app
