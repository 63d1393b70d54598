// The one end of a code recognised for a key, whatever its source (the remote's
// capture, a code file): the key joins the learning session with its new table,
// or the user is told why not. Messages name the key as its picture shows it.
#include <QCoreApplication>

#include "app/delete_buttons.h"
#include "app/ibtn.h"
#include "app/key_panel.h"
#include "app/learning_view.h"
#include "app/main_window.h"
#include "app/translation.h"
#include "learning/recognition.h"
#include "prompter/prompter.h"

namespace orvalin::app {

void Tmainorvalin::show_learning_of(IBtn* key) {
    set_status(QCoreApplication::translate("Tmainorvalin", "现在学习的是") + mode_name(cur_mode()) +
                   QCoreApplication::translate("Tmainorvalin", "区里的") + key_name_of(key) +
                   QCoreApplication::translate("Tmainorvalin", "键正在学习！"),
               true);
}

// What the recognition did goes into the memo; false, and the user told, when it
// found no code.
bool Tmainorvalin::recognised(const learning::Recognition& r) {
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
    if (r.ok()) return true;
    // Nothing usable: the working table stays as it was and the key unlearned.
    append_memo(QStringLiteral("not recognised: ") + QString::fromStdString(r.reason));
    key_not_learned(QCoreApplication::translate("Tmainorvalin",
                                                "未能识别该遥控器编码，请重新选择按键进行学习！"));
    return false;
}

void Tmainorvalin::key_not_learned(const QString& why) {
    if (learning_key_ != nullptr)
        abandon_learning_key(why);
    else
        set_status(why, true);
    box(this, why);
}

void Tmainorvalin::key_learned(IBtn* key, const std::string& table) {
    if (const learning::TableError error = session_.add_learned_key(key_code_of(key), table);
        error != learning::TableError::none) {
        const QString why = translated("learning", learning::describe(error));
        append_memo(QStringLiteral("rebuild refused: ") + why);
        key_not_learned(why);
        return;
    }
    keys_->show_normal(key);
    view_->stop_animation();
    view_->show_hint(tools_.gifkesdra);
    box(this, QCoreApplication::translate("Tmainorvalin", "已接收到遥控器编码！"));
    set_status(mode_name(cur_mode()) + QCoreApplication::translate("Tmainorvalin", "区的") +
                   key_name_of(key) +
                   QCoreApplication::translate("Tmainorvalin", "键已接收遥控器编码！"),
               true);
    refresh_key_pictures();
    learning_key_ = nullptr;
    update_delete_buttons();
}

}  // namespace orvalin::app
