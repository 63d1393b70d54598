// The main window's side of 「从遥控器库导入…」: the dialog for the current mode,
// the keys to be replaced confirmed, then one learning session of every
// recognised key committed once through the session core (backup first).
#include "library/mode_import.h"
// clang-format off
#include <QCoreApplication>
#include <QPushButton>

#include "app/key_panel.h"
#include "app/library_dialog.h"
#include "app/main_window.h"
#include "library/key_mapping.h"
#include "prompter/prompter.h"
// clang-format on

#undef signals

namespace orvalin::app {

void Tmainorvalin::library_import_click() {
    const Busy busy(*this);
    if (session_.deleting()) {
        box(this,
            QCoreApplication::translate("Tmainorvalin", "现在在删除状态，要导入请先停止删除！"));
        return;
    }
    if (session_.learning()) {
        box(this, QCoreApplication::translate("Tmainorvalin",
                                              "正在自学习，要从遥控器库导入请先停止学习！"));
        return;
    }
    LibraryDialog dialog(program_dir_, cur_mode(), session_.keys(), this);
    if (run_library_dialog(dialog) != QDialog::Accepted || !dialog.has_plan()) return;
    library::ImportPlan plan = dialog.plan();
    if (plan.learned_count() == 0) return;
    if (const std::vector<int> replaced = plan.replaced(); !replaced.empty()) {
        QStringList names;
        for (const int code : replaced) names << QString::fromStdString(library::key_label(code));
        if (box(this,
                QCoreApplication::translate("Tmainorvalin",
                                            "以下按键已学习过，导入后编码将被替换：") +
                    names.join(QStringLiteral("、")) +
                    QCoreApplication::translate("Tmainorvalin", "\n要继续导入吗?"),
                Buttons::yes_no) != Answer::yes)
            return;
    }
    set_status(QCoreApplication::translate("Tmainorvalin", "正在完成自学习操作，请稍后片刻！"),
               true);
    const library::ImportWrite written = library::apply_import(session_, plan);
    refresh_key_pictures();
    update_delete_buttons();
    show_resting_panel();
    const QString mode = mode_name(cur_mode());
    switch (written) {
        case library::ImportWrite::written:
            set_status(
                QCoreApplication::translate("Tmainorvalin", "已从遥控器库导入%1个按键到%2区！")
                    .arg(plan.learned_count())
                    .arg(mode));
            box(this,
                QCoreApplication::translate("Tmainorvalin", "已从遥控器库导入%1个按键到%2区！")
                    .arg(plan.learned_count())
                    .arg(mode));
            break;
        case library::ImportWrite::refused:
            set_status(QCoreApplication::translate("Tmainorvalin", "自学习操作失败！"));
            box(this, QCoreApplication::translate("Tmainorvalin", "完成自学习操作失败！") +
                          unwritten_note());
            break;
        case library::ImportWrite::nothing_learned:
            set_status(QCoreApplication::translate("Tmainorvalin", "没有可导入的按键！"));
            box(this, QCoreApplication::translate("Tmainorvalin", "没有可导入的按键！"));
            break;
    }
}

}  // namespace orvalin::app
