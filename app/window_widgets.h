// Components of the main window's parts, built alike: pictures from the window's
// resources, labels and picture buttons named as in the layout.
#pragma once

#include <QPixmap>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace orvalin::app {

class IBtn;

// A picture of the window (":/window/<name>"), in the interface's language.
QPixmap window_picture(const char* name);
QLabel* picture_label(QWidget* parent, const char* name, QRect where);
QLabel* text_label(QWidget* parent, const char* name, QRect where);
// A picture button with a pointing cursor; null pictures and an empty hint are left out.
IBtn* tool_button(QWidget* parent, const char* name, QRect where, const char* picture,
                  const char* disable_picture, const QString& hint = {});

}  // namespace orvalin::app
