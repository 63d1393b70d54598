// The formats before Qt: their files hold a member named as Qt's "signals" macro.
#include "signals/formats/signal_format.h"
// clang-format off
#include "app/file_picker.h"
// clang-format on

#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <array>

namespace orvalin::app {
namespace {

struct FormatFilter {
    formats::SignalFormat format;
    const char* filter;
};

// The extensions that detect_format tells each format by.
constexpr std::array<FormatFilter, 5> kSaveFilters{{
    {formats::SignalFormat::pronto, QT_TRANSLATE_NOOP("Tmainorvalin", "Pronto 编码 (*.pronto)")},
    {formats::SignalFormat::flipper, QT_TRANSLATE_NOOP("Tmainorvalin", "Flipper 编码 (*.ir)")},
    {formats::SignalFormat::lirc, QT_TRANSLATE_NOOP("Tmainorvalin", "LIRC 配置 (*.lircd.conf)")},
    {formats::SignalFormat::broadlink,
     QT_TRANSLATE_NOOP("Tmainorvalin", "Broadlink 编码 (*.broadlink)")},
    {formats::SignalFormat::mode2, QT_TRANSLATE_NOOP("Tmainorvalin", "mode2 文本 (*.mode2)")},
}};

class DialogPicker : public FilePicker {
  public:
    std::optional<QString> open_code_file(QWidget* parent) override {
        const QString path = QFileDialog::getOpenFileName(
            parent, QCoreApplication::translate("Tmainorvalin", "从文件学习"), QString(),
            QCoreApplication::translate(
                "Tmainorvalin",
                "遥控编码文件 (*.ir *.conf *.pronto *.hex *.mode2 *.broadlink *.b64 "
                "*.txt *.json);;所有文件 (*)"));
        if (path.isEmpty()) return std::nullopt;
        return path;
    }

    std::optional<int> pick_signal(QWidget* parent, const QStringList& names) override {
        bool ok = false;
        const QString name = QInputDialog::getItem(
            parent, QCoreApplication::translate("Tmainorvalin", "从文件学习"),
            QCoreApplication::translate("Tmainorvalin", "请选择要学习的编码："), names, 0, false,
            &ok);
        if (!ok) return std::nullopt;
        const int at = static_cast<int>(names.indexOf(name));
        if (at < 0) return std::nullopt;
        return at;
    }

    std::optional<SaveChoice> save_code_file(QWidget* parent, const QString& suggested) override {
        QStringList filters;
        for (const FormatFilter& f : kSaveFilters)
            filters << QCoreApplication::translate("Tmainorvalin", f.filter);
        QString selected = filters.front();
        const QString path = QFileDialog::getSaveFileName(
            parent, QCoreApplication::translate("Tmainorvalin", "导出按键"), suggested,
            filters.join(QStringLiteral(";;")), &selected);
        if (path.isEmpty()) return std::nullopt;
        SaveChoice choice{path, kSaveFilters.front().format};
        for (const FormatFilter& f : kSaveFilters)
            if (selected == QCoreApplication::translate("Tmainorvalin", f.filter))
                choice.format = f.format;
        return choice;
    }
};

DialogPicker dialog_picker;
FilePicker* installed = nullptr;

}  // namespace

FilePicker& file_picker() {
    return installed ? *installed : dialog_picker;
}

void set_file_picker(FilePicker* p) {
    installed = p;
}

}  // namespace orvalin::app
