// The main window's entry to the update window (升级软件): refused while the
// session learns or deletes, so that no update replaces files under a session.
#pragma once

#include <QString>

class QWidget;

namespace orvalin::learning {
class Session;
}

namespace orvalin::app {

void open_update_window(QWidget* window, const learning::Session& session,
                        const QString& program_dir);

}  // namespace orvalin::app
