#include "app/update_entry.h"

#include <QCoreApplication>

#include "learning/session.h"
#include "prompter/prompter.h"
#include "update/update_window.h"

namespace orvalin::app {

void open_update_window(QWidget* window, const learning::Session& session,
                        const QString& program_dir) {
    if (session.learning()) {
        plain_message(window, QCoreApplication::translate(
                                  "Tmainorvalin", "软件正在学习状态，要升级请退出学习状态！"));
    } else if (session.deleting()) {
        plain_message(window, QCoreApplication::translate(
                                  "Tmainorvalin", "软件正在删除状态，要升级请退出删除状态！"));
    } else {
        update::run_update_window(window, program_dir);
    }
}

}  // namespace orvalin::app
