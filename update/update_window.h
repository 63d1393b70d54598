// The update window: connection test, update configuration, choice of server,
// file list, download with progress and abort.
#pragma once

#include <QDialog>
#include <QString>

namespace orvalin::update {

class Tupdate;  // defined in update_window_impl.h by the update module

// Creates the update window for the program in program_dir (with a trailing
// separator), shows it modally and returns when it has closed.
void run_update_window(QWidget* parent, const QString& program_dir);

}  // namespace orvalin::update
