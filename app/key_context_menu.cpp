// The context menu of a key of the remote picture: learning the key from a code
// file within the current mode's learning session, and exporting a learned key
// to a code file. Files and signals are picked through the FilePicker.
// The formats before Qt: a code file's signals are a member named as Qt's
// "signals" macro, which this file does not use.
#include "signals/formats/code_file.h"
// clang-format off
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QSaveFile>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/file_picker.h"
#include "app/ibtn.h"
#include "app/key_code_dialog.h"
#include "app/key_panel.h"
#include "app/main_window.h"
#include "common/data_files.h"
#include "ircode/analysis.h"
#include "ircode/replay.h"
#include "learning/fallback_converter.h"
#include "learning/key_code.h"
#include "learning/one_key_table.h"
#include "learning/recognition.h"
#include "prompter/prompter.h"
#include "learning/signal_capture.h"
// clang-format on

#undef signals

namespace orvalin::app {

namespace {

QString learn_from_file_caption() {
    return QCoreApplication::translate("Tmainorvalin", "从文件学习…");
}
QString export_key_caption() {
    return QCoreApplication::translate("Tmainorvalin", "导出按键…");
}

// The one-key table of a learned key: a key learned in this session as learned,
// before its commit.
std::optional<std::string> learned_image(const learning::Session& session, int key_code) {
    const std::string& table = session.learning() && !session.working_table().empty()
                                   ? session.working_table()
                                   : session.table();
    return learning::one_key_table_of(table, session.table_code_of(key_code));
}

struct PickedSignal {
    QString path;
    formats::CodeSignal signal;
};

// A signal picked from a code file: the file, then one of its signals when it
// holds several. None when a picker is cancelled or the file refused (the user
// told, the reason in memo).
std::optional<PickedSignal> pick_code_signal(QWidget* parent,
                                             const std::function<void(const QString&)>& memo) {
    const std::optional<QString> path = file_picker().open_code_file(parent);
    if (!path) return std::nullopt;
    std::string error;
    std::optional<formats::SignalFile> file =
        formats::load_signal_file(QFile::encodeName(*path).toStdString(), std::nullopt, &error);
    if (!file) {
        memo(QStringLiteral("code file: ") + QString::fromStdString(error));
        box(parent, QCoreApplication::translate("Tmainorvalin", "无法读取该编码文件！\n") +
                        QString::fromStdString(error));
        return std::nullopt;
    }
    if (file->signals.empty()) {
        box(parent, QCoreApplication::translate("Tmainorvalin", "该编码文件中没有遥控器编码！"));
        return std::nullopt;
    }
    std::size_t index = 0;
    if (file->signals.size() > 1) {
        QStringList names;
        for (const std::string& n : formats::listed_names(*file))
            names << QString::fromStdString(n);
        const std::optional<int> picked = file_picker().pick_signal(parent, names);
        if (!picked || *picked < 0 || static_cast<std::size_t>(*picked) >= file->signals.size())
            return std::nullopt;
        index = static_cast<std::size_t>(*picked);
    }
    return PickedSignal{*path, std::move(file->signals[index])};
}

}  // namespace

QMenu* Tmainorvalin::key_menu(IBtn* key) {
    auto* menu = new QMenu(this);
    QAction* learn = menu->addAction(learn_from_file_caption());
    connect(learn, &QAction::triggered, this, [this, key] { learn_key_from_file(key); });
    QAction* save = menu->addAction(export_key_caption());
    save->setEnabled(session_.holds_learned_code(key_code_of(key)));
    connect(save, &QAction::triggered, this, [this, key] { export_key(key); });
    QAction* view = menu->addAction(QCoreApplication::translate("KeyMenu", "查看编码…"));
    view->setEnabled(session_.holds_learned_code(key_code_of(key)));
    connect(view, &QAction::triggered, this, [this, key] {
        const int k = key_code_of(key);
        if (k < 0 || !session_.holds_learned_code(k)) return;
        const std::optional<std::string> one = learned_image(session_, k);
        std::string error;
        const std::optional<learning::KeyCode> code =
            one ? learning::describe_key_code(
                      *one, session_.table_code_of(k),
                      data_file(program_dir_.toStdString(), ircode::kCodeInfoFileName), &error)
                : std::nullopt;
        if (!code) {
            append_memo(QStringLiteral("view code: ") + QString::fromStdString(error));
            box(this, QCoreApplication::translate("KeyMenu", "%1键的编码无法读出！")
                          .arg(key_name_of(key)));
            return;
        }
        KeyCodeDialog dialog(key_name_of(key), *code, std::nullopt, this);
        dialog.exec();
    });
    return menu;
}

void Tmainorvalin::learn_key_from_file(IBtn* key) {
    const Busy busy(*this);
    const int k = key_code_of(key);
    if (k < 0 || is_mode_key(k)) return;
    if (session_.deleting()) {
        box(this,
            QCoreApplication::translate("Tmainorvalin", "现在在删除状态，要学习请先停止删除！"));
        return;
    }
    if (refuse_while_key_waits()) return;
    // The key joins the learning session of the current mode, started here when
    // none is on, and is committed with it.
    if (!session_.learning()) beginstudyibtnClick();
    if (session_.holds_learned_code(k) &&
        box(this,
            key_name_of(key) +
                QCoreApplication::translate("Tmainorvalin", "键编码已学习过，要重新学习吗?"),
            Buttons::yes_no) != Answer::yes)
        return;

    const std::optional<PickedSignal> picked =
        pick_code_signal(this, [this](const QString& line) { append_memo(line); });
    if (!picked) return;
    const formats::CodeSignal& signal = picked->signal;

    show_learning_of(key);
    // One press of the signal, captured and recognised as a code from the remote.
    const std::string timing = ir_signals::timing_text_of(formats::render_press(signal, 1));
    const std::string dir = program_dir_.toStdString();
    const learning::Recognition r = learning::recognise_timing(
        timing, session_.table_code_of(k), data_file(dir, ircode::kCodeInfoFileName),
        std::filesystem::path(dir) / learning::kFallbackLibraryName);
    append_memo(QStringLiteral("from file: ") + picked->path + QStringLiteral(" / ") +
                QString::fromStdString(formats::listed_name(signal)));
    if (recognised(r)) key_learned(key, r.table);
}

void Tmainorvalin::export_key(IBtn* key) {
    const Busy busy(*this);
    const int k = key_code_of(key);
    if (k < 0 || is_mode_key(k)) return;
    if (!session_.holds_learned_code(k)) {
        box(this, key_name_of(key) + QCoreApplication::translate("Tmainorvalin",
                                                                 "键没有学习过的编码，不能导出！"));
        return;
    }
    const std::optional<std::string> one = learned_image(session_, k);
    std::string error;
    const std::optional<ircode::ReplayedSignal> replayed =
        one ? ircode::replay_table(*one, &error) : std::nullopt;
    if (!replayed) {
        append_memo(QStringLiteral("export: ") + QString::fromStdString(error));
        box(this,
            key_name_of(key) + QCoreApplication::translate("Tmainorvalin", "键的编码无法导出！"));
        return;
    }
    const QString name = mode_name(cur_mode()) + QStringLiteral("_") + key_name_of(key);
    const std::optional<SaveChoice> choice = file_picker().save_code_file(this, name);
    if (!choice) return;
    // By protocol where the format names protocols and the code maps to one.
    const std::optional<learning::KeyCode> code = learning::describe_key_code(
        *one, session_.table_code_of(k),
        data_file(program_dir_.toStdString(), ircode::kCodeInfoFileName));
    const std::string text = formats::write_replayed_keys(
        choice->format,
        {formats::ReplayedKey{name.toStdString(), *replayed,
                              code ? learning::parsed_code_of(*code) : std::nullopt}});
    // Written aside and renamed: a failed export never leaves half a file.
    QSaveFile out(choice->path);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !out.commit()) {
        box(this, QCoreApplication::translate("Tmainorvalin", "导出按键失败！"));
        return;
    }
    set_status(key_name_of(key) + QCoreApplication::translate("Tmainorvalin", "键已导出！"));
    box(this, key_name_of(key) + QCoreApplication::translate("Tmainorvalin", "键已导出到") +
                  choice->path);
}

}  // namespace orvalin::app
