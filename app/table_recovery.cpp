// A code table that the parser refuses at start-up (erased, malformed): instead
// of refusing to start, the user may write the newest backup back or start from
// an empty table. What was read is backed up before either write.
#include <QCoreApplication>

#include "app/main_window.h"
#include "app/translation.h"
#include "learning/code_table.h"
#include "learning/table_backup.h"
#include "prompter/prompter.h"

namespace orvalin::app {

bool Tmainorvalin::recover_unreadable_table(learning::TableError error, std::string read_text) {
    const QString why = translated("learning", learning::describe(error));
    append_memo(QStringLiteral("table not usable: ") + why);
    session_.load_unreadable(std::move(read_text));

    std::string replacement;
    QString done;
    if (const auto newest = learning::newest_backup(learning::backup_folder())) {
        const learning::TableResult saved = learning::read_table_file(*newest);
        const QString file = QString::fromStdString(newest->string());
        if (!saved.ok()) {
            append_memo(QStringLiteral("newest backup not usable: ") + file);
        } else if (box(this,
                       why +
                           QCoreApplication::translate(
                               "Tmainorvalin",
                               "\r\n遥控器中的编码表无法使用。是否用最新的备份恢复？\r\n") +
                           file,
                       Buttons::yes_no) == Answer::yes) {
            replacement = saved.text;
            done = QCoreApplication::translate("Tmainorvalin", "已用备份恢复遥控器编码表！\r\n") +
                   file;
        }
    }
    if (replacement.empty() &&
        box(this,
            why + QCoreApplication::translate(
                      "Tmainorvalin",
                      "\r\n是否从空的编码表开始？遥控器中的编码将被清除（读出的内容先备份）。"),
            Buttons::yes_no) == Answer::yes) {
        replacement = std::string(learning::kEmptyTable);
        done = QCoreApplication::translate("Tmainorvalin", "已从空的编码表开始！");
    }
    if (replacement.empty()) {
        box(this, why);
        return false;
    }
    if (!session_.write_table(replacement)) {
        box(this, QCoreApplication::translate("Tmainorvalin", "写入遥控器失败！") +
                      unwritten_note() + write_failure_reason());
        return false;
    }
    if (session_.load(replacement) != learning::TableError::none) return false;
    box(this, done);
    return true;
}

}  // namespace orvalin::app
