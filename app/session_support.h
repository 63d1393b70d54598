// Helpers shared by the learning session and the deletion of learned keys: key
// codes of buttons, instruction panels, the delete buttons, the diagnostic memo,
// the end of the collection thread and the table write with its backup.
#pragma once

#include <QString>
#include <string>

class QLabel;

namespace orvalin::app {

class IBtn;
class Tmainorvalin;

// Key code of a key button (its Code read as hex), -1 for none.
int key_code_of(const IBtn* key);
bool is_mode_key(int key_code);
// "TV", "CBL" or "DVD".
QString mode_name(int mode);

// Shows one of the four instruction panels (nullptr: none) and hides the others.
void show_instruction_panel(Tmainorvalin& w, QLabel* panel);
// Delete buttons after the key list changed: enabled with "delete"/"clear" while
// learned keys exist, otherwise greyed and disabled and the delete state cleared.
void update_delete_buttons(Tmainorvalin& w);
void append_memo(Tmainorvalin& w, const QString& text);

// Records what the remote holds before the first change of the table text.
void note_remote_table(Tmainorvalin& w);
// Asks the collection thread to stop, waits for it and runs its end handler.
void finish_collection(Tmainorvalin& w);
// Writes deletions still pending at close, or lets the user give them up knowingly.
void finish_deletions_for_close(Tmainorvalin& w);
// Backup of the remote's table, then the write. False when nothing was written
// or the remote refused.
bool write_table_with_backup(Tmainorvalin& w, const std::string& text);

}  // namespace orvalin::app
