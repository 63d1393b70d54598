// Every message box of the program goes through one Prompter, so that tests can
// answer them (and fail on any box they did not expect).
#pragma once

#include <QString>

class QWidget;

namespace orvalin::ui {

enum class Buttons { ok, ok_cancel, yes_no, retry_cancel };
enum class Answer { ok, cancel, yes, no, retry };

// Title of the main window's boxes.
inline const QString kBoxTitle = QStringLiteral("提示");
// Title of plain messages (version refusals, update refusals): the application title.
inline const QString kAppTitle = QStringLiteral("QXT-508KP2");

class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual Answer ask(QWidget* parent, const QString& title, const QString& text,
                       Buttons buttons) = 0;
};

// The prompter in force: QMessageBox unless a test installed its own.
Prompter& prompter();
// Installs p (not owned); nullptr restores the QMessageBox prompter.
void set_prompter(Prompter* p);

// Shorthands.
inline Answer box(QWidget* parent, const QString& text, Buttons buttons = Buttons::ok) {
    return prompter().ask(parent, kBoxTitle, text, buttons);
}
inline void plain_message(QWidget* parent, const QString& text) {
    prompter().ask(parent, kAppTitle, text, Buttons::ok);
}

}  // namespace orvalin::ui

// The main window's code names the boxes without a namespace.
namespace orvalin::app {
using namespace orvalin::ui;
}  // namespace orvalin::app
