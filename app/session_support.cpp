#include "app/session_support.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <chrono>

#include "app/ibtn.h"
#include "app/main_window.h"
#include "prompter/prompter.h"
#include "common/key_table.h"
#include "device/vorkel.h"
#include "learning/code_table.h"
#include "learning/collect_thread.h"
#include "learning/table_backup.h"

namespace orvalin::app {

int key_code_of(const IBtn* key) {
    if (!key) return -1;
    bool ok = false;
    const int code = key->Code().toInt(&ok, 16);
    return ok && code >= 0 && code < kCodesPerMode ? code : -1;
}

bool is_mode_key(int key_code) {
    return key_code == kTvModeKeyCode || key_code == kCblModeKeyCode || key_code == kDvdModeKeyCode;
}

QString mode_name(int mode) {
    switch (mode) {
        case 1:
            return QStringLiteral("CBL");
        case 2:
            return QStringLiteral("DVD");
        default:
            return QStringLiteral("TV");
    }
}

void show_instruction_panel(Tmainorvalin& w, QLabel* panel) {
    for (QLabel* p : {w.Image4, w.Image5, w.Image7, w.Image8})
        if (p) p->setVisible(p == panel);
}

void update_delete_buttons(Tmainorvalin& w) {
    const bool any = learning::has_learned_keys(w.key_lines);
    if (w.delstudykey) {
        w.delstudykey->setPicture(any ? w.delete_pic : w.deletehui);
        w.delstudykey->setEnabled(any);
    }
    if (w.delallstudykey) {
        w.delallstudykey->setPicture(any ? w.clear_pic : w.clearhui);
        w.delallstudykey->setEnabled(any);
    }
    if (!any) w.delete_state = false;
}

void append_memo(Tmainorvalin& w, const QString& text) {
    if (w.Memo2) w.Memo2->appendPlainText(text);
}

void note_remote_table(Tmainorvalin& w) {
    if (w.remote_text_known) return;
    w.remote_text = std::string(learning::table_without_padding(w.code_text));
    w.remote_text_known = true;
}

void finish_collection(Tmainorvalin& w) {
    learning::TCollectCode* thread = w.collect_thread.data();
    if (!thread) return;
    thread->stop();
    thread->wait();
    w.collect_done();
}

void finish_deletions_for_close(Tmainorvalin& w) {
    if (!w.delete_state || !w.table_changed) return;
    for (;;) {
        w.set_status(QStringLiteral("正在完成删除操作，请稍候片刻！"), true);
        if (w.write_code_table(w.code_text)) {
            w.code_text_saved = w.code_text;
            w.table_changed = false;
            w.set_status(QStringLiteral("删除操作完成！"), true);
            box(&w, QStringLiteral("删除操作完成！"));
            return;
        }
        if (box(&w,
                QStringLiteral("删除操作失败，已删除的按键编码未能写入遥控器！\r\n"
                               "按“重试”再次写入，按“取消”放弃这些删除。"),
                Buttons::retry_cancel) != Answer::retry)
            break;
    }
    // Given up knowingly: the close has nothing left to write for them.
    w.table_changed = false;
    w.delete_state = false;
    w.set_status(QStringLiteral("删除操作失败！"), true);
}

bool write_table_with_backup(Tmainorvalin& w, const std::string& text) {
    note_remote_table(w);
    const std::string table(learning::table_without_padding(text));
    if (table.empty() || table.size() > learning::kMaxTableChars) {
        append_memo(w, QStringLiteral("write refused: table of %1 characters").arg(table.size()));
        return false;
    }
    const learning::BackupResult backup = learning::save_table_backup(
        w.remote_text, learning::backup_folder(), std::chrono::system_clock::now());
    if (backup.ok) {
        append_memo(w, QStringLiteral("backup: ") + QString::fromStdString(backup.file.string()));
    } else {
        const QString why = QString::fromStdString(backup.error);
        append_memo(w, QStringLiteral("backup failed: ") + why);
        if (box(&w, QStringLiteral("无法保存遥控器编码表的备份！\r\n仍然要写入遥控器吗？"),
                Buttons::yes_no) != Answer::yes)
            return false;
    }
    if (!WCodeTypeData(table.c_str())) {
        append_memo(w, QStringLiteral("WCodeTypeData failed"));
        return false;
    }
    w.remote_text = table;
    w.remote_text_known = true;
    return true;
}

}  // namespace orvalin::app
