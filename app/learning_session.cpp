// Learning session as the window shows it: start and stop of learning, the key
// click, the commit question, and the end handler of the code collection thread.
// The session core keeps the tables and key states.
#include <QCheckBox>
#include <QCoreApplication>
#include <QPointer>

#include "app/delete_buttons.h"
#include "app/ibtn.h"
#include "app/key_panel.h"
#include "app/learning_view.h"
#include "app/main_window.h"
#include "app/translation.h"
#include "common/data_files.h"
#include "common/key_table.h"
#include "ircode/analysis.h"
#include "learning/collect_thread.h"
#include "learning/fallback_converter.h"
#include "learning/key_code.h"
#include "learning/recognition.h"
#include "learning/table_backup.h"
#include "prompter/prompter.h"

namespace orvalin::app {

// The key being learned goes back to waiting: its normal picture, out of the
// selection, the key panel redrawn.
void Tmainorvalin::abandon_learning_key(const QString& status) {
    view_->stop_animation();
    view_->show_hint(tools_.jpgjingtai);
    set_status(status, true);
    if (learning_key_ != nullptr) {
        keys_->show_normal(learning_key_);
        learning_key_ = nullptr;
    }
    refresh_key_pictures();
}

void Tmainorvalin::show_resting_panel() {
    view_->show_resting(session_.has_learned_keys());
}

// Delete buttons after the keys changed: enabled with "delete"/"clear" while
// learned keys exist, otherwise greyed and disabled and the delete state left.
void Tmainorvalin::update_delete_buttons() {
    deletion_->show_for(session_.has_learned_keys());
    session_.settle_deleting();
}

void Tmainorvalin::finish_collection() {
    learning::TCollectCode* thread = collect_thread.data();
    if (!thread) return;
    thread->stop();
    thread->wait();
    collect_done();
}

void Tmainorvalin::beginstudyibtnClick() {
    const Busy busy(*this);
    if (session_.deleting()) {
        box(this,
            QCoreApplication::translate("Tmainorvalin", "现在在删除状态，要学习请先停止删除！"));
        return;
    }
    if (!session_.learning()) {
        session_.start_learning();
        if (beginstudyibtn->IsEnable()) beginstudyibtn->setIsEnable(false);
        view_->show_hint(tools_.jpgjingtai);
        set_status(
            QCoreApplication::translate("Tmainorvalin", "请在左面遥控器上点击待学习的按键！"));
        view_->show_panel(LearningView::Panel::learning);
        return;
    }
    session_.stop_learning();
    // The write below must not overlap the thread's capture: let it end first.
    // A code that its last poll still delivers belongs to this session.
    finish_collection();
    view_->stop_animation();
    view_->show_hint(tools_.gifkesdra);
    set_status(QString());
    if (session_.changed()) {
        commit_session();
        session_.confirm_pending();
    }
    show_resting_panel();
    if (learning_key_ != nullptr) {
        keys_->show_normal(learning_key_);
        learning_key_ = nullptr;
    }
    refresh_key_pictures();
    if (!beginstudyibtn->IsEnable()) beginstudyibtn->setIsEnable(true);
}

void Tmainorvalin::key_click(IBtn* key) {
    const Busy busy(*this);
    const int k = key_code_of(key);
    if (k < 0 || is_mode_key(k)) return;  // the mode keys cannot be learned or deleted
    if (session_.deleting()) {
        delete_key(key);
        return;
    }
    if (refuse_while_key_waits()) return;
    if (!session_.learning()) {
        box(this, QCoreApplication::translate("Tmainorvalin", "请先点击开始学习按钮！"));
        return;
    }
    if (session_.holds_learned_code(k)) {
        if (box(this,
                key_name_of(key) +
                    QCoreApplication::translate("Tmainorvalin", "键编码已学习过，要重新学习吗?"),
                Buttons::yes_no) != Answer::yes)
            return;
        if (!key->IsEnable()) key->setIsEnable(true);
        keys_->show_normal(key);
        key->repaint();
    }
    keys_->show_picked(key);
    set_status(QCoreApplication::translate("Tmainorvalin", "准备学习") + mode_name(cur_mode()) +
               QCoreApplication::translate("Tmainorvalin", "区的 ") + key_name_of(key) +
               QCoreApplication::translate("Tmainorvalin", " 按键， 请发码"));
    view_->start_animation();
    learning_key_ = key;
    press_check_ = {};
    start_collection();
}

void Tmainorvalin::start_collection() {
    if (collect_thread) return;  // an earlier thread still ends; its end handler reports "no code"
    auto* thread = new learning::TCollectCode(collect_timeout_, this);
    collect_thread = thread;
    const QPointer<learning::TCollectCode> guard(thread);
    connect(thread, &QThread::finished, this, [this, guard] {
        // Already handled when the stop of learning or the close joined the thread.
        if (guard && guard == collect_thread) collect_done();
    });
    thread->start();
}

// A second key while one waits for its code: the waiting key's name twice.
bool Tmainorvalin::refuse_while_key_waits() {
    if (learning_key_ == nullptr) return false;
    const QString p = key_name_of(learning_key_);
    box(this, p + QCoreApplication::translate("Tmainorvalin", "按键") +
                  QCoreApplication::translate("Tmainorvalin", "正在学习，要停止") + p +
                  QCoreApplication::translate("Tmainorvalin", "按键") +
                  QCoreApplication::translate("Tmainorvalin", ",请点击停止学习按钮"));
    return true;
}

bool Tmainorvalin::commit_session(bool closing) {
    const Busy busy(*this);
    if (box(this, QCoreApplication::translate("Tmainorvalin", "你是否确认本次自学习的按键？"),
            Buttons::yes_no) == Answer::yes) {
        for (;;) {
            set_status(
                QCoreApplication::translate("Tmainorvalin", "正在完成自学习操作，请稍后片刻！"),
                true);
            if (session_.commit()) {
                box(this, QCoreApplication::translate("Tmainorvalin", "自学习操作完成！"));
                set_status(QCoreApplication::translate("Tmainorvalin", "自学习操作完成！"));
                return true;
            }
            set_status(QCoreApplication::translate("Tmainorvalin", "自学习操作失败！"));
            const QString reason = write_failure_reason();
            // Another remote is shown now: nothing of this session may go onto it.
            if (!closing || session_.last_write().status == learning::WriteStatus::other_remote) {
                box(this, QCoreApplication::translate("Tmainorvalin", "完成自学习操作失败！") +
                              unwritten_note() + reason);
                return false;
            }
            // The program ends next: the keys go nowhere unless written now or saved.
            if (box(this,
                    QCoreApplication::translate("Tmainorvalin",
                                                "完成自学习操作失败，学习的按键未能写入遥控器！") +
                        unwritten_note() + reason +
                        QCoreApplication::translate("Tmainorvalin",
                                                    "\r\n按“重试”再次写入，按“取消”放弃写入。"),
                    Buttons::retry_cancel) != Answer::retry)
                return false;
        }
    }
    session_.decline();
    // Keys shown as learned get their flag back before the panel is redrawn.
    keys_->release_learned_looks();
    refresh_key_pictures();
    update_delete_buttons();
    return true;
}

void Tmainorvalin::collect_done() {
    const Busy busy(*this);
    std::string collected;
    if (learning::TCollectCode* thread = collect_thread.data()) {
        append_memo(QStringLiteral("collection: ") +
                    QString::fromLatin1(learning::describe(thread->outcome())));
        collect_thread = nullptr;
        thread->wait();
        collected = thread->collected();
        thread->deleteLater();
    }
    take_collected(std::move(collected));
}

void Tmainorvalin::take_collected(std::string collected) {
    if (collected.empty()) {
        if (learning_key_ != nullptr)
            abandon_learning_key(
                QCoreApplication::translate("Tmainorvalin", "请重新选择按键进行学习！"));
        return;
    }
    append_memo(QStringLiteral("collected: ") +
                QString::fromStdString(std::string(learning::table_without_padding(collected))));
    if (learning_key_ == nullptr) {
        // Learning was stopped and no key waits for this code: it has no place.
        append_memo(QStringLiteral("no key selected; code dropped"));
        return;
    }
    IBtn* key = learning_key_;
    show_learning_of(key);
    // The mode in force now decides the table code (the user may have switched).
    const int k = key_code_of(key);
    const std::string dir = program_dir_.toStdString();
    const learning::Recognition r = learning::recognise_collected(
        collected, session_.table_code_of(k), data_file(dir, ircode::kCodeInfoFileName),
        std::filesystem::path(dir) / learning::kFallbackLibraryName);
    if (!recognised(r)) return;
    std::string table = r.table;
    if (!presses_agree(k, table)) return;
    key_learned(key, table);
}

// Checked by a second press: the key is taken when two presses agree.
bool Tmainorvalin::presses_agree(int key_code, std::string& table) {
    if (!verify_presses_->isChecked()) return true;
    const std::optional<learning::KeyCode> code = learning::describe_key_code(
        table, session_.table_code_of(key_code),
        data_file(program_dir_.toStdString(), ircode::kCodeInfoFileName));
    const learning::PressCheck::Step step =
        press_check_.add(table, code.value_or(learning::KeyCode{}));
    const QString differs = QString::fromStdString(press_check_.difference());
    if (step == learning::PressCheck::Step::again || step == learning::PressCheck::Step::third) {
        box(this,
            step == learning::PressCheck::Step::again
                ? QCoreApplication::translate("Tmainorvalin", "请再按一次该键，核对学习的编码！")
                : QCoreApplication::translate("Tmainorvalin",
                                              "两次按键的编码不同（%1），请再按一次该键！")
                      .arg(differs));
        start_collection();
        return false;
    }
    if (step == learning::PressCheck::Step::refused) {
        append_memo(QStringLiteral("presses differ: ") + differs);
        press_check_ = {};
        abandon_learning_key(QCoreApplication::translate(
            "Tmainorvalin", "三次按键的编码各不相同，请重新选择按键进行学习！"));
        box(this, QCoreApplication::translate("Tmainorvalin",
                                              "三次按键的编码各不相同（%1），该键没有学习！")
                      .arg(differs));
        return false;
    }
    table = press_check_.taken_table();
    press_check_ = {};
    return true;
}

void Tmainorvalin::finish_pending_work() {
    finish_collection();
    finish_deletions_for_close();
}

}  // namespace orvalin::app
