// The dialog 「从遥控器库导入」: the folders of the code library (added and
// removed here), indexed off the window's thread with a progress bar; search
// by brand, model and kind; the chosen file's signals with the key each goes
// to (editable) and what the recognition made of each; the keys whose learned
// codes would be replaced. 导入 closes it with the plan; the main window writes.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "learning/key_states.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

namespace orvalin::library {
struct ImportPlan;
}

namespace orvalin::app {

class LibraryDialog : public QDialog {
    Q_OBJECT

  public:
    // program_dir: where key-names.tsv and the code-info file lie; mode: the
    // device mode imported into; keys: what the remote's keys hold now.
    LibraryDialog(const QString& program_dir, int mode, learning::KeyStates keys,
                  QWidget* parent = nullptr);
    ~LibraryDialog() override;

    // Folders: added and removed (also what the buttons do after their picker).
    bool add_folder(const QString& folder);
    bool remove_folder(const QString& folder);
    // Indexing runs on a thread of its own; false once it has finished.
    bool indexing() const;
    // Runs the search of the search field and kind choice.
    void search();
    // Chooses row of the result list: its signals are mapped and recognised.
    void choose(int row);
    // Puts signal row on key_code (-1: none) as the row's key choice does.
    void set_key(int signal_row, int key_code);
    // What 导入 takes: valid after a file was chosen.
    const library::ImportPlan& plan() const;
    bool has_plan() const;

  Q_SIGNALS:
    void indexing_finished();

  private:
    // The components, each named by its objectName (what tests find them by).
    void build_folder_area(QVBoxLayout* layout);
    void build_search_area(QVBoxLayout* layout);
    void build_tables(QVBoxLayout* layout);
    void build_buttons(QVBoxLayout* layout);
    void connect_components();
    // The key names and this thread's index; the note says which could not be opened.
    void open_names_and_index();
    // After a folder was added or removed: the list and the index follow, or the note says why not.
    bool folders_changed(bool ok, const QString& failure, const std::string& why);
    void start_indexing();
    void index_done(std::size_t files, std::size_t unreadable);
    void show_folders();
    void replan();
    void show_plan();

    struct State;
    std::unique_ptr<State> state_;
    QListWidget* folder_list_ = nullptr;
    QPushButton* add_folder_button_ = nullptr;
    QPushButton* remove_folder_button_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLineEdit* search_field_ = nullptr;
    QComboBox* kind_choice_ = nullptr;
    QTableWidget* results_ = nullptr;
    QTableWidget* signal_table_ = nullptr;
    QLabel* replaced_label_ = nullptr;
    QLabel* note_ = nullptr;  // what went wrong (names file, index, unreadable file)
    QPushButton* import_button_ = nullptr;
    QPushButton* close_button_ = nullptr;
};

// How the main window runs the dialog: exec() unless a test installed its own
// runner (which drives the dialog and returns its result); empty restores exec().
using LibraryDialogRunner = std::function<int(LibraryDialog&)>;
void set_library_dialog_runner(LibraryDialogRunner runner);
int run_library_dialog(LibraryDialog& dialog);

}  // namespace orvalin::app
