// Learning session as the window shows it: start and stop of learning, the key
// click, the commit question, and the end handler of the code collection thread.
// The session core keeps the tables and key states.
#include <QCoreApplication>
#include <QLabel>
#include <QMovie>
#include <QPlainTextEdit>
#include <QPointer>

#include "app/ibtn.h"
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

namespace {

QString not_recognised_text() {
    return QCoreApplication::translate("Tmainorvalin",
                                       "未能识别该遥控器编码，请重新选择按键进行学习！");
}

}  // namespace

void Tmainorvalin::stop_animation() {
    if (animation) animation->stop();
    if (animation_view) animation_view->hide();
}

void Tmainorvalin::start_animation() {
    if (hint_picture) hint_picture->hide();
    if (!animation_view) return;
    if (animation) {
        animation_view->setMovie(animation);
        animation->start();
    }
    animation_view->show();
}

void Tmainorvalin::show_hint(const QImage& picture) {
    if (!hint_picture) return;
    hint_picture->setPixmap(QPixmap::fromImage(picture));
    hint_picture->show();
}

// Gives a key its normal picture (set "on").
void Tmainorvalin::show_normal(IBtn* key) {
    const int k = key_code_of(key);
    if (k >= 0 && k < KeyPictures::kSlots) key->setPicture(key_pictures.on[k]);
}

// The key being learned goes back to waiting: its normal picture, out of the
// selection, the key panel redrawn.
void Tmainorvalin::abandon_selected_key(const QString& status) {
    stop_animation();
    show_hint(jpgjingtai);
    set_status(status, true);
    if (!selected_keys.empty()) {
        show_normal(selected_keys.front());
        selected_keys.erase(selected_keys.begin());
    }
    refresh_key_pictures();
}

void Tmainorvalin::show_instruction_panel(QLabel* panel) {
    for (QLabel* p : {panel_learned_keys, panel_learning, panel_deleting, panel_no_learned_keys})
        if (p) p->setVisible(p == panel);
}

// Delete buttons after the keys changed: enabled with "delete"/"clear" while
// learned keys exist, otherwise greyed and disabled and the delete state left.
void Tmainorvalin::update_delete_buttons() {
    const bool any = session_.has_learned_keys();
    if (delstudykey) {
        delstudykey->setPicture(any ? delete_pic : deletehui);
        delstudykey->setEnabled(any);
    }
    if (delallstudykey) {
        delallstudykey->setPicture(any ? clear_pic : clearhui);
        delallstudykey->setEnabled(any);
    }
    session_.settle_deleting();
}

void Tmainorvalin::append_memo(const QString& text) {
    if (diagnostic_memo) diagnostic_memo->appendPlainText(text);
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
        if (beginstudyibtn && beginstudyibtn->IsEnable()) beginstudyibtn->setIsEnable(false);
        show_hint(jpgjingtai);
        set_status(
            QCoreApplication::translate("Tmainorvalin", "请在左面遥控器上点击待学习的按键！"));
        show_instruction_panel(panel_learning);
        return;
    }
    session_.stop_learning();
    // The write below must not overlap the thread's capture: let it end first.
    // A code that its last poll still delivers belongs to this session.
    finish_collection();
    stop_animation();
    show_hint(gifkesdra);
    set_status(QString());
    if (session_.changed()) {
        commit_session();
        session_.confirm_pending();
    }
    show_instruction_panel(session_.has_learned_keys() ? panel_learned_keys
                                                       : panel_no_learned_keys);
    if (!selected_keys.empty()) {
        show_normal(selected_keys.front());
        selected_keys.clear();
    }
    refresh_key_pictures();
    if (beginstudyibtn && !beginstudyibtn->IsEnable()) beginstudyibtn->setIsEnable(true);
}

void Tmainorvalin::key_click(IBtn* key) {
    const Busy busy(*this);
    const int k = key_code_of(key);
    if (k < 0 || is_mode_key(k)) return;  // the mode keys cannot be learned or deleted
    if (session_.deleting()) {
        delete_key(key);
        return;
    }
    if (!selected_keys.empty()) {
        const QString p = key_name_of(selected_keys.front());
        box(this, p + QCoreApplication::translate("Tmainorvalin", "按键") +
                      QCoreApplication::translate("Tmainorvalin", "正在学习，要停止") + p +
                      QCoreApplication::translate("Tmainorvalin", "按键") +
                      QCoreApplication::translate("Tmainorvalin", ",请点击停止学习按钮"));
        return;
    }
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
        show_normal(key);
        key->repaint();
    }
    if (k < KeyPictures::kSlots) key->setPicture(key_pictures.fn[k]);
    set_status(QCoreApplication::translate("Tmainorvalin", "准备学习") + mode_name(cur_mode()) +
               QCoreApplication::translate("Tmainorvalin", "区的 ") + key_name_of(key) +
               QCoreApplication::translate("Tmainorvalin", " 按键， 请发码"));
    start_animation();
    selected_keys.push_back(key);
    press_check = {};
    start_collection();
}

void Tmainorvalin::start_collection() {
    if (collect_thread) return;  // an earlier thread still ends; its end handler reports "no code"
    collected_text.clear();
    auto* thread = new learning::TCollectCode(collect_timeout, this);
    collect_thread = thread;
    const QPointer<learning::TCollectCode> guard(thread);
    connect(thread, &QThread::finished, this, [this, guard] {
        // Already handled when the stop of learning or the close joined the thread.
        if (guard && guard == collect_thread) collect_done();
    });
    thread->start();
}

// Messages name a key as its picture shows it (F1, not one of twelve 自定义).
QString key_name_of(const IBtn* key) {
    const int k = key_code_of(key);
    for (const KeyInfo& info : kKeyTable)
        if (info.code == k) {
            // Names in words (静音, 播放) are translated like the messages around them.
            return translated("keys", std::string(key_message_name(info)));
        }
    return key->Path();
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
    for (IBtn* b : key_buttons)
        if (const int k = key_code_of(b); k >= 0 && !is_mode_key(k) && !b->IsEnable())
            b->setIsEnable(true);
    refresh_key_pictures();
    update_delete_buttons();
    return true;
}

void Tmainorvalin::collect_done() {
    const Busy busy(*this);
    if (learning::TCollectCode* thread = collect_thread.data()) {
        append_memo(QStringLiteral("collection: ") +
                    QString::fromLatin1(learning::describe(thread->outcome())));
        collect_thread = nullptr;
        thread->wait();
        collected_text = thread->collected();
        thread->deleteLater();
    }
    if (collected_text.empty()) {
        if (!selected_keys.empty())
            abandon_selected_key(
                QCoreApplication::translate("Tmainorvalin", "请重新选择按键进行学习！"));
        return;
    }
    const std::string collected = std::move(collected_text);
    collected_text.clear();
    append_memo(QStringLiteral("collected: ") +
                QString::fromStdString(std::string(learning::table_without_padding(collected))));
    if (selected_keys.empty()) {
        // Learning was stopped and no key waits for this code: it has no place.
        append_memo(QStringLiteral("no key selected; code dropped"));
        return;
    }
    IBtn* key = selected_keys.front();
    const QString mode = mode_name(cur_mode());
    set_status(QCoreApplication::translate("Tmainorvalin", "现在学习的是") + mode +
                   QCoreApplication::translate("Tmainorvalin", "区里的") + key_name_of(key) +
                   QCoreApplication::translate("Tmainorvalin", "键正在学习！"),
               true);

    // The mode in force now decides the table code (the user may have switched).
    const int k = key_code_of(key);
    const std::string dir = exe_dir.toStdString();
    const learning::Recognition r = learning::recognise_collected(
        collected, session_.table_code_of(k), data_file(dir, ircode::kCodeInfoFileName),
        std::filesystem::path(dir) / learning::kFallbackLibraryName);
    append_memo(QStringLiteral("timing: ") + QString::fromStdString(r.timing));
    if (!r.timing.empty() && r.timing.size() > 5)
        append_memo(QStringLiteral("analysis: ") + QString::fromStdString(r.analysis));
    if (r.converter_asked) {
        append_memo(QStringLiteral("fallback request: ") +
                    QString::fromStdString(r.converter_request));
        if (!r.converter_error.empty())
            append_memo(QStringLiteral("fallback: ") + QString::fromStdString(r.converter_error));
        append_memo(QStringLiteral("fallback answer: ") +
                    QString::fromStdString(r.converter_answer));
    }
    if (!r.ok()) {
        // Nothing usable: the working table stays as it was and the key unlearned.
        append_memo(QStringLiteral("not recognised: ") + QString::fromStdString(r.reason));
        abandon_selected_key(not_recognised_text());
        box(this, not_recognised_text());
        return;
    }
    // Checked by a second press: the key is taken when two presses agree.
    std::string table = r.table;
    if (verify_presses && verify_presses->isChecked()) {
        const std::optional<learning::KeyCode> code = learning::describe_key_code(
            r.table, session_.table_code_of(k), data_file(dir, ircode::kCodeInfoFileName));
        const learning::PressCheck::Step step =
            press_check.add(r.table, code.value_or(learning::KeyCode{}));
        const QString differs = QString::fromStdString(press_check.difference());
        if (step == learning::PressCheck::Step::again ||
            step == learning::PressCheck::Step::third) {
            box(this, step == learning::PressCheck::Step::again
                          ? QCoreApplication::translate("Tmainorvalin",
                                                        "请再按一次该键，核对学习的编码！")
                          : QCoreApplication::translate(
                                "Tmainorvalin", "两次按键的编码不同（%1），请再按一次该键！")
                                .arg(differs));
            start_collection();
            return;
        }
        if (step == learning::PressCheck::Step::refused) {
            append_memo(QStringLiteral("presses differ: ") + differs);
            press_check = {};
            abandon_selected_key(QCoreApplication::translate(
                "Tmainorvalin", "三次按键的编码各不相同，请重新选择按键进行学习！"));
            box(this, QCoreApplication::translate("Tmainorvalin",
                                                  "三次按键的编码各不相同（%1），该键没有学习！")
                          .arg(differs));
            return;
        }
        table = press_check.taken_table();
        press_check = {};
    }
    if (const learning::TableError error = session_.add_learned_key(k, table);
        error != learning::TableError::none) {
        const QString why = translated("learning", learning::describe(error));
        append_memo(QStringLiteral("rebuild refused: ") + why);
        abandon_selected_key(why);
        box(this, why);
        return;
    }

    show_normal(key);
    stop_animation();
    show_hint(gifkesdra);
    box(this, QCoreApplication::translate("Tmainorvalin", "已接收到遥控器编码！"));
    set_status(mode + QCoreApplication::translate("Tmainorvalin", "区的") + key_name_of(key) +
                   QCoreApplication::translate("Tmainorvalin", "键已接收遥控器编码！"),
               true);
    refresh_key_pictures();
    if (!selected_keys.empty()) selected_keys.erase(selected_keys.begin());
    update_delete_buttons();
}

void Tmainorvalin::finish_pending_work() {
    finish_collection();
    finish_deletions_for_close();
}

}  // namespace orvalin::app
