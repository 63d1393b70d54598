// What a user sees of the main window: its components found by their names.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLatin1String>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QString>
#include <QWidget>
#include <vector>

#include "app/ibtn.h"

namespace orvalin::app::testing {

template <class T = QWidget>
T* part(const QWidget& window, const char* name) {
    return window.findChild<T*>(QLatin1String(name));
}

// The status line, runstate_lab.
inline QString status_text(const QWidget& window) {
    const QLabel* line = part<QLabel>(window, "runstate_lab");
    return line != nullptr ? line->text() : QStringLiteral("<no status line>");
}

// The key buttons on the remote's picture (ykqbox).
inline std::vector<IBtn*> key_buttons(const QWidget& window) {
    const QScrollArea* area = part<QScrollArea>(window, "ykqbox");
    if (area == nullptr || area->widget() == nullptr) return {};
    const QList<IBtn*> found = area->widget()->findChildren<IBtn*>();
    return {found.begin(), found.end()};
}

}  // namespace orvalin::app::testing
