// Deleting learned keys as the window shows it: the delete-one-key state, the
// delete branch of the key click, and clearing all learned keys of the current
// device mode. The session core changes the table and the key states.
#include <QCoreApplication>

#include "app/delete_buttons.h"
#include "app/ibtn.h"
#include "app/key_panel.h"
#include "app/learning_view.h"
#include "app/main_window.h"
#include "app/translation.h"
#include "common/key_table.h"
#include "prompter/prompter.h"

namespace orvalin::app {

namespace {

QString delete_done_text() {
    return QCoreApplication::translate("Tmainorvalin", "删除操作完成！");
}
QString delete_done_with_owed_text() {
    return QCoreApplication::translate("Tmainorvalin",
                                       "删除操作完成！之前未能写入遥控器的学习按键也已一并写入。");
}
QString delete_failed_text() {
    return QCoreApplication::translate(
        "Tmainorvalin",
        "删除操作失败，已删除的按键编码还没有写入遥控器！请再点击停止删除按钮重试。");
}

}  // namespace

// Writes the single deletions pending in the table. On failure they stay pending
// and the user is told.
bool Tmainorvalin::write_pending_deletions() {
    set_status(QCoreApplication::translate("Tmainorvalin", "正在完成删除操作，请稍候片刻！"), true);
    const bool with_owed = session_.carries_owed_keys();
    if (session_.write_deletions()) {
        const QString done = with_owed ? delete_done_with_owed_text() : delete_done_text();
        box(this, done);
        set_status(done, true);
        return true;
    }
    set_status(QCoreApplication::translate("Tmainorvalin", "删除操作失败！"), true);
    box(this, delete_failed_text() + unwritten_note() + write_failure_reason());
    return false;
}

// Delete state on: instruction panel, status line, stop picture.
void Tmainorvalin::show_delete_state() {
    view_->show_panel(LearningView::Panel::deleting);
    set_status(QCoreApplication::translate("Tmainorvalin", "请在左面遥控器上选择待删除的按键！"));
    deletion_->show_stop();
}

void Tmainorvalin::delete_toggle_click() {
    const Busy busy(*this);
    if (session_.learning()) {
        box(this,
            QCoreApplication::translate("Tmainorvalin", "现在正在学习状态，要删除请先停止学习！"));
        return;
    }
    session_.set_deleting(!session_.deleting());
    if (session_.deleting()) {
        show_delete_state();
        return;
    }
    set_status(QString());
    deletion_->show_delete();
    show_resting_panel();
    if (session_.changed() && !write_pending_deletions()) {
        // Stay in the delete state so that the deletions are not forgotten; the
        // next click of the button tries the write again.
        session_.set_deleting(true);
        show_delete_state();
        set_status(QCoreApplication::translate("Tmainorvalin", "删除操作失败！"), true);
    }
}

void Tmainorvalin::delete_key(IBtn* key) {
    const Busy busy(*this);
    learning_key_ = nullptr;
    const int k = key_code_of(key);
    switch (session_.check_delete(k)) {
        case learning::DeleteCheck::no_keys:
            box(this,
                QCoreApplication::translate("Tmainorvalin", "该键还没有自学习过，无法删除！"));
            return;
        case learning::DeleteCheck::not_learned:
            box(this,
                QCoreApplication::translate("Tmainorvalin", "该按键还没有自学习过，无法删除！"));
            return;
        case learning::DeleteCheck::ok:
            break;
    }
    set_status(QString());
    if (box(this, QCoreApplication::translate("Tmainorvalin", "你确实要删除该自学习按键的编码？"),
            Buttons::yes_no) != Answer::yes)
        return;
    if (const learning::TableError error = session_.delete_key(k);
        error != learning::TableError::none) {
        box(this, translated("learning", learning::describe(error)));
        return;
    }
    set_status(QCoreApplication::translate("Tmainorvalin", "要删除的按键已选定！"));
    key->setIsEnable(true);
    keys_->show_normal(key);
    if (session_.has_learned_keys()) return;  // written when the state is switched off

    if (!write_pending_deletions()) {
        // Nothing left to delete, but the write is still owed: keep the delete
        // state and its button so that switching it off tries again.
        deletion_->grey_clear();
        set_status(QCoreApplication::translate("Tmainorvalin", "删除操作失败！"), true);
        return;
    }
    update_delete_buttons();  // greys both and leaves the delete state
    view_->show_panel(LearningView::Panel::no_learned_keys);
}

void Tmainorvalin::delallstudykeyClick() {
    const Busy busy(*this);
    const QString quote = QStringLiteral("\"");
    if (session_.learning()) {
        box(this, QCoreApplication::translate("Tmainorvalin",
                                              "现在是自学习遥控器按键编码状态，要清空请先点击") +
                      quote + QCoreApplication::translate("Tmainorvalin", "停止学习") + quote +
                      QCoreApplication::translate("Tmainorvalin", "按钮！"));
        return;
    }
    if (session_.deleting()) {
        box(this, QCoreApplication::translate("Tmainorvalin",
                                              "现在是删除单个遥控器按键编码状态，要清空请先点击") +
                      quote + QCoreApplication::translate("Tmainorvalin", "停止删除") + quote +
                      QCoreApplication::translate("Tmainorvalin", "按钮！"));
        return;
    }
    const std::vector<int> cleared_keys = session_.learned_keys_in_mode();
    if (cleared_keys.empty()) {
        box(this, QCoreApplication::translate("Tmainorvalin", "没有可清空的按键的编码！"));
        return;
    }
    if (box(this,
            QCoreApplication::translate("Tmainorvalin", "你确实要清空") + mode_name(cur_mode()) +
                QCoreApplication::translate("Tmainorvalin", "设备里所有自学习过的按键的编码吗？"),
            Buttons::yes_no) != Answer::yes)
        return;
    const learning::TableResult cleared = session_.cleared_table();
    if (!cleared.ok()) {
        box(this, translated("learning", learning::describe(cleared.error)));
        return;
    }
    set_status(QCoreApplication::translate("Tmainorvalin", "正在完成清空操作，请稍候片刻！"), true);
    if (!session_.write_cleared()) {
        // The remote and the table keep the keys, so the panel keeps showing them.
        box(this,
            QCoreApplication::translate("Tmainorvalin", "清空操作失败！") + write_failure_reason());
        set_status(QCoreApplication::translate("Tmainorvalin", "清空操作失败！"), true);
        return;
    }
    box(this, QCoreApplication::translate("Tmainorvalin", "清空操作完成！"));
    set_status(QCoreApplication::translate("Tmainorvalin", "清空操作完成！"), true);

    for (const int k : cleared_keys) {
        IBtn* button = key_button(k);
        if (button == nullptr) continue;
        if (!button->IsEnable()) button->setIsEnable(true);
        keys_->show_normal(button);
    }
    update_delete_buttons();
    view_->show_panel(LearningView::Panel::no_learned_keys);
}

void Tmainorvalin::finish_deletions_for_close() {
    if (!session_.deleting() || !session_.changed()) return;
    for (;;) {
        set_status(QCoreApplication::translate("Tmainorvalin", "正在完成删除操作，请稍候片刻！"),
                   true);
        const bool with_owed = session_.carries_owed_keys();
        if (session_.write_deletions()) {
            const QString done = with_owed ? delete_done_with_owed_text() : delete_done_text();
            set_status(done, true);
            box(this, done);
            return;
        }
        const QString reason = write_failure_reason();
        if (session_.last_write().status == learning::WriteStatus::other_remote) {
            box(this, QCoreApplication::translate("Tmainorvalin", "删除操作失败！") +
                          unwritten_note() + reason);
            break;
        }
        if (box(this,
                QCoreApplication::translate("Tmainorvalin",
                                            "删除操作失败，已删除的按键编码未能写入遥控器！") +
                    unwritten_note() + reason +
                    QCoreApplication::translate("Tmainorvalin",
                                                "\r\n按“重试”再次写入，按“取消”放弃这些删除。"),
                Buttons::retry_cancel) != Answer::retry)
            break;
    }
    // Given up knowingly: the close has nothing left to write for them.
    session_.give_up_deletions();
    set_status(QCoreApplication::translate("Tmainorvalin", "删除操作失败！"), true);
}

}  // namespace orvalin::app
