// Learning session: start and stop of learning, the key click, the commit of a
// session, and the end handler of the code collection thread.
#include <QLabel>
#include <QMovie>
#include <QPlainTextEdit>
#include <QPointer>
#include <algorithm>

#include "app/ibtn.h"
#include "app/main_window.h"
#include "prompter/prompter.h"
#include "app/session_support.h"
#include "common/data_files.h"
#include "common/key_table.h"
#include "device/vorkel.h"
#include "ircode/analysis.h"
#include "learning/code_table.h"
#include "learning/collect_thread.h"
#include "learning/fallback_converter.h"
#include "learning/table_backup.h"
#include "learning/timing_text.h"

namespace orvalin::app {

namespace {

const QString kNotRecognised = QStringLiteral("未能识别该遥控器编码，请重新选择按键进行学习！");

void stop_animation(Tmainorvalin& w) {
    if (w.animation) w.animation->stop();
    if (w.donghuaflash2) w.donghuaflash2->hide();
}

void start_animation(Tmainorvalin& w) {
    if (w.Imagehint) w.Imagehint->hide();
    if (!w.donghuaflash2) return;
    if (w.animation) {
        w.donghuaflash2->setMovie(w.animation);
        w.animation->start();
    }
    w.donghuaflash2->show();
}

void show_hint(Tmainorvalin& w, const QImage& picture) {
    if (!w.Imagehint) return;
    w.Imagehint->setPixmap(QPixmap::fromImage(picture));
    w.Imagehint->show();
}

// Gives a key its normal picture (set "on").
void show_normal(Tmainorvalin& w, IBtn* key) {
    const int k = key_code_of(key);
    if (k >= 0 && k < KeyPictures::kSlots) key->setPicture(w.key_pictures.on[k]);
}

// The key being learned goes back to waiting: its normal picture, out of the
// selection, the key panel redrawn.
void abandon_selected_key(Tmainorvalin& w, const QString& status) {
    stop_animation(w);
    show_hint(w, w.jpgjingtai);
    w.set_status(status, true);
    if (!w.selected_keys.empty()) {
        show_normal(w, w.selected_keys.front());
        w.selected_keys.erase(w.selected_keys.begin());
    }
    w.refresh_key_pictures();
}

}  // namespace

void Tmainorvalin::beginstudyibtnClick() {
    note_remote_table(*this);
    if (delete_state) {
        box(this, QStringLiteral("现在在删除状态，要学习请先停止删除！"));
        return;
    }
    study_state = !study_state;
    if (study_state) {
        session_prior_begin = prior_lines.size();
        if (beginstudyibtn && beginstudyibtn->IsEnable()) beginstudyibtn->setIsEnable(false);
        show_hint(*this, jpgjingtai);
        set_status(QStringLiteral("请在左面遥控器上点击待学习的按键！"));
        show_instruction_panel(*this, Image5);
        return;
    }
    // The write below must not overlap the thread's capture: let it end first.
    // A code that its last poll still delivers belongs to this session.
    finish_collection(*this);
    stop_animation(*this);
    show_hint(*this, gifkesdra);
    set_status(QString());
    if (table_changed) {
        commit_session();
        learning::confirm_pending_lines(key_lines);
    }
    show_instruction_panel(*this, learning::has_learned_keys(key_lines) ? Image4 : Image8);
    if (!selected_keys.empty()) {
        show_normal(*this, selected_keys.front());
        selected_keys.clear();
    }
    refresh_key_pictures();
    if (beginstudyibtn && !beginstudyibtn->IsEnable()) beginstudyibtn->setIsEnable(true);
}

void Tmainorvalin::key_click(IBtn* key) {
    note_remote_table(*this);
    const int k = key_code_of(key);
    if (k < 0 || is_mode_key(k)) return;  // the mode keys cannot be learned or deleted
    if (delete_state) {
        delete_key(key);
        return;
    }
    if (!selected_keys.empty()) {
        const QString p = selected_keys.front()->Path();
        box(this, p + QStringLiteral("按键") + QStringLiteral("正在学习，要停止") + p +
                      QStringLiteral("按键") + QStringLiteral(",请点击停止学习按钮"));
        return;
    }
    if (!study_state) {
        box(this, QStringLiteral("请先点击开始学习按钮！"));
        return;
    }
    const std::string kk = learning::table_code(k, cur_mode);
    const auto line = std::find_if(key_lines.begin(), key_lines.end(),
                                   [&](const std::string& l) { return l.starts_with(kk); });
    if (line != key_lines.end() && line->size() >= 4 &&
        (line->at(3) == '2' || line->at(3) == '3')) {
        if (box(this, key->Path() + QStringLiteral("键编码已学习过，要重新学习吗?"),
                Buttons::yes_no) != Answer::yes)
            return;
        if (!key->IsEnable()) key->setIsEnable(true);
        show_normal(*this, key);
        key->repaint();
    }
    if (k < KeyPictures::kSlots) key->setPicture(key_pictures.fn[k]);
    set_status(QStringLiteral("准备学习") + mode_name(cur_mode) + QStringLiteral("区的 ") +
               key->Path() + QStringLiteral(" 按键， 请发码"));
    start_animation(*this);
    selected_keys.push_back(key);
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

bool Tmainorvalin::commit_session() {
    note_remote_table(*this);
    if (box(this, QStringLiteral("你是否确认本次自学习的按键？"), Buttons::yes_no) == Answer::yes) {
        set_status(QStringLiteral("正在完成自学习操作，请稍后片刻！"), true);
        code_text = code_text_saved;
        if (write_code_table(code_text)) {
            box(this, QStringLiteral("自学习操作完成！"));
            set_status(QStringLiteral("自学习操作完成！"));
            table_changed = false;
            return true;
        }
        set_status(QStringLiteral("自学习操作失败！"));
        box(this, QStringLiteral("完成自学习操作失败！"));
        return false;
    }
    code_text_saved = code_text;
    // Keys kept at an earlier stop whose write failed are still owed to the remote.
    table_changed = remote_text_known && learning::table_without_padding(code_text) != remote_text;
    // Keys learned in this session get back the line they had before it; only this
    // session's earlier lines count (an older one may describe a code since deleted).
    const std::size_t begin = std::min(session_prior_begin, prior_lines.size());
    for (std::size_t i = 0; i < key_lines.size();) {
        const std::string& line = key_lines[i];
        if (line.size() < 4 || line[3] != '3') {
            ++i;
            continue;
        }
        const std::string code = line.substr(0, 2);
        auto prior = std::find_if(prior_lines.rbegin(),
                                  prior_lines.rend() - static_cast<std::ptrdiff_t>(begin),
                                  [&](const std::string& p) { return p.starts_with(code); });
        if (prior != prior_lines.rend() - static_cast<std::ptrdiff_t>(begin)) {
            key_lines[i] = *prior;
            ++i;
        } else {
            key_lines.erase(key_lines.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    // Keys shown as learned get their flag back before the panel is redrawn.
    for (IBtn* b : key_buttons)
        if (const int k = key_code_of(b); k >= 0 && !is_mode_key(k) && !b->IsEnable())
            b->setIsEnable(true);
    refresh_key_pictures();
    update_delete_buttons(*this);
    return true;
}

void Tmainorvalin::collect_done() {
    note_remote_table(*this);
    if (learning::TCollectCode* thread = collect_thread.data()) {
        append_memo(*this, QStringLiteral("collection: ") +
                               QString::fromLatin1(learning::describe(thread->outcome())));
        collect_thread = nullptr;
        thread->wait();
        collected_text = thread->collected();
        thread->deleteLater();
    }
    if (collected_text.empty()) {
        if (!selected_keys.empty())
            abandon_selected_key(*this, QStringLiteral("请重新选择按键进行学习！"));
        return;
    }
    const std::string collected = std::move(collected_text);
    collected_text.clear();
    append_memo(
        *this, QStringLiteral("collected: ") +
                   QString::fromStdString(std::string(learning::table_without_padding(collected))));
    if (selected_keys.empty()) {
        // Learning was stopped and no key waits for this code: it has no place.
        append_memo(*this, QStringLiteral("no key selected; code dropped"));
        return;
    }
    IBtn* key = selected_keys.front();
    const QString mode = mode_name(cur_mode);
    set_status(QStringLiteral("现在学习的是") + mode + QStringLiteral("区里的") + key->Path() +
                   QStringLiteral("键正在学习！"),
               true);

    // The mode in force now decides the table code (the user may have switched).
    const int k = key_code_of(key) + kCodesPerMode * cur_mode;
    const std::string kk = learning::table_code(key_code_of(key), cur_mode);
    const std::string timing = learning::convert_collected(collected);
    append_memo(*this, QStringLiteral("timing: ") + QString::fromStdString(timing));
    std::string one_key;
    if (timing.size() > 5) {
        one_key =
            ircode::AnalyseLearnedCode(std::string_view(timing).substr(5), k,
                                       data_file(exe_dir.toStdString(), ircode::kCodeInfoFileName));
        append_memo(*this, QStringLiteral("analysis: ") + QString::fromStdString(one_key));
        if (one_key.empty()) {
            const std::string request =
                learning::fallback_request(learning::drop_short_first_frame(timing), kk);
            append_memo(*this,
                        QStringLiteral("fallback request: ") + QString::fromStdString(request));
            const learning::FallbackAnswer answer =
                learning::ask_fallback_converter(exe_dir.toStdString(), request);
            if (!answer.error.empty())
                append_memo(*this,
                            QStringLiteral("fallback: ") + QString::fromStdString(answer.error));
            append_memo(
                *this, QStringLiteral("fallback answer: ") + QString::fromStdString(answer.answer));
            one_key = answer.answer;
        }
    }
    if (!learning::is_one_key_table_for(one_key, kk)) {
        // Nothing usable: the working table stays as it was and the key unlearned.
        abandon_selected_key(*this, kNotRecognised);
        box(this, kNotRecognised);
        return;
    }
    const learning::TableResult rebuilt = learning::rebuild_code_text(code_text_saved, one_key);
    if (!rebuilt.ok()) {
        const QString why = QString::fromStdString(learning::describe(rebuilt.error));
        append_memo(*this, QStringLiteral("rebuild refused: ") + why);
        abandon_selected_key(*this, why);
        box(this, why);
        return;
    }
    code_text_saved = rebuilt.text;
    table_changed = true;

    show_normal(*this, key);
    stop_animation(*this);
    show_hint(*this, gifkesdra);
    box(this, QStringLiteral("已接收到遥控器编码！"));
    set_status(mode + QStringLiteral("区的") + key->Path() + QStringLiteral("键已接收遥控器编码！"),
               true);
    if (std::string prior = learning::find_prior_line(key_lines, kk); !prior.empty())
        prior_lines.push_back(std::move(prior));
    learning::set_pending_line(key_lines, kk);
    refresh_key_pictures();
    selected_keys.erase(selected_keys.begin());
    update_delete_buttons(*this);
}

void Tmainorvalin::finish_pending_work() {
    note_remote_table(*this);
    finish_collection(*this);
    finish_deletions_for_close(*this);
}

bool Tmainorvalin::write_code_table(const std::string& text) {
    return write_table_with_backup(*this, text);
}

}  // namespace orvalin::app
