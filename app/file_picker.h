// The file and signal pickers of learning from and exporting to code files go
// through one FilePicker, so that window tests can answer them as they answer
// the message boxes.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace orvalin::formats {
enum class SignalFormat;
}

namespace orvalin::app {

struct SaveChoice {
    QString path;
    formats::SignalFormat format{};
};

class FilePicker {
  public:
    virtual ~FilePicker() = default;
    // A code file to learn from; nullopt when the user gave none.
    virtual std::optional<QString> open_code_file(QWidget* parent) = 0;
    // One of the file's signals (index into names); nullopt when cancelled.
    virtual std::optional<int> pick_signal(QWidget* parent, const QStringList& names) = 0;
    // Where and in which format a key is exported; suggested: a file name.
    virtual std::optional<SaveChoice> save_code_file(QWidget* parent, const QString& suggested) = 0;
};

// The picker in force: the Qt file dialogs unless a test installed its own.
FilePicker& file_picker();
// Installs p (not owned); nullptr restores the dialogs.
void set_file_picker(FilePicker* p);

}  // namespace orvalin::app
