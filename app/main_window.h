// The main window: device check at start-up, the key panel, learning, deletion,
// and the state that they share. Method bodies are split by concern:
//   main_window.cpp      creation, show, close, pictures, tool buttons, layout
//   key_panel.cpp        key buttons, mode switch, key pictures
//   learning_session.cpp start/stop learning, key click, commit, end of collection
//   key_deletion.cpp     delete one key, clear all
//   key_context_menu.cpp a key's menu: learn from a code file, export
//   library_import.cpp   a whole mode from the code library (library_dialog.*)
// The tables, key states and the session's state live in learning::Session; the
// window asks it and shows what it says.
#pragma once

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "learning/press_check.h"
#include "learning/session.h"

class QMenu;
class QMovie;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

namespace orvalin::learning {
class TCollectCode;
}

namespace orvalin::app {

class IBtn;
class linkstate;

// Key picture sets, by key code (slots 0..50 filled).
struct KeyPictures {
    static constexpr int kSlots = 128;
    std::array<QImage, kSlots> on;  // normal
    std::array<QImage, kSlots> sn;  // holds a learned code ("2" or "3")
    std::array<QImage, kSlots> fn;  // picked for learning
    std::array<QImage, kSlots> dn;  // holds a preset code ("1")
};

class Tmainorvalin : public QWidget {
    Q_OBJECT

  public:
    // program_dir: folder of the program file with a trailing separator (the picture
    // libraries, the code-info file and the fallback converter lie there).
    explicit Tmainorvalin(const QString& program_dir, QWidget* parent = nullptr);
    ~Tmainorvalin() override;

    // ---- the window's own state ----
    bool start_failed = false;
    bool closing = false;
    QPointer<linkstate> link_thread;
    QPointer<learning::TCollectCode> collect_thread;
    std::vector<IBtn*> selected_keys;  // not owning
    bool net_ok = false;
    KeyPictures key_pictures;
    QImage jpgjingtai, delete_pic, deletehui, clear_pic, clearhui, stopdelete, gifkesdra;
    QString exe_dir;
    std::string collected_text;  // written by the collection thread before it ends
    // Learning checked by a second press (the option beside 开始学习, off by
    // default): the presses of the key being learned.
    learning::PressCheck press_check;

    // ---- components ----
    // Named by role here; each keeps its name in the layout (Image1, ykqbox,
    // runstate_lab, Image4/5/7/8, IBtn79, ...) as its objectName.
    QLabel* background = nullptr;      // Image1
    QScrollArea* key_panel = nullptr;  // ykqbox
    IBtn *TV_IBTN = nullptr, *CBL_IBTN = nullptr, *DVD_IBTN = nullptr;
    QLabel* status_line = nullptr;     // runstate_lab
    QLabel* cbl_note = nullptr;        // Lab_stb
    QLabel* hint_picture = nullptr;    // Imagehint
    QLabel* animation_view = nullptr;  // donghuaflash2: plays the learning animation
    QMovie* animation = nullptr;
    // The four instruction panels in one place, at most one visible.
    QLabel* panel_learned_keys = nullptr;     // Image4: resting, learned keys exist
    QLabel* panel_learning = nullptr;         // Image5: learning is on
    QLabel* panel_deleting = nullptr;         // Image7: the delete state is on
    QLabel* panel_no_learned_keys = nullptr;  // Image8: resting, no learned key
    IBtn *beginstudyibtn = nullptr, *delstudykey = nullptr, *delallstudykey = nullptr;
    QCheckBox* verify_presses = nullptr;
    IBtn *helpibtn = nullptr, *updateibtn = nullptr;
    IBtn* close_button = nullptr;               // IBtn79
    QLabel* remote_model_label = nullptr;       // lab_ykqtype
    QLabel* software_version_label = nullptr;   // lab_softver
    QLabel* firmware_version_label = nullptr;   // lab_gjbb
    QPlainTextEdit* diagnostic_memo = nullptr;  // Memo2, hidden
    QPushButton* library_button = nullptr;      // 从遥控器库导入…
    std::vector<IBtn*> key_buttons;             // the 45 key buttons, in key table order
    IBtn* key_button(int key_code) const;
    // Every IBtn of the window in component order (key buttons, mode buttons, tools).
    std::vector<IBtn*> image_buttons() const;

    // The learning session: tables, key states, learning and delete states.
    learning::Session& session() { return session_; }
    const learning::Session& session() const { return session_; }
    int cur_mode() const { return session_.device_mode(); }

    // ---- life cycle (main_window.cpp) ----
    void FormCreate();
    void FormShow();
    void FormCloseQuery(bool& can_close);
    void FormClose();
    bool load_pictures();
    bool has_learned_keys() const;
    void link_monitor_done();  // end handler of the link monitor
    void link_lost();          // the monitor found the remote missing: panel away
    void link_back();          // and attached again: panel back
    void helpibtnClick();
    void updateibtnClick();
    void close_button_click();  // IBtn79Click
    void set_status(const QString& text, bool repaint_now = false);
    void append_memo(const QString& text);  // the hidden diagnostic memo
    QString animation_file() const;         // where the learning animation is extracted

    // ---- key panel (key_panel.cpp) ----
    void TV_IBTNClick();
    void CBL_IBTNClick();
    void DVD_IBTNClick();
    void refresh_key_pictures();

    // ---- learning (learning_session.cpp) ----
    void beginstudyibtnClick();
    void key_click(IBtn* key);
    // closing: a failed write asks Retry/Cancel until it holds or is given up.
    bool commit_session(bool closing = false);
    // Where the table of the last failed write was saved, as a line for a box.
    QString unwritten_note() const;
    // Write outcomes of the session core (write_outcome.cpp): which side wins for keys
    // changed on both sides, and why a write did not go out (another remote is read
    // again and shown before anything is written).
    learning::ConflictChoice ask_conflict(const std::vector<int>& codes);
    QString write_failure_reason();
    bool reread_remote();
    // A table the parser refused at start-up: restore the newest backup or start
    // empty, as the user chooses; false when the program cannot go on.
    bool recover_unreadable_table(learning::TableError error, std::string read_text);
    void collect_done();
    void start_collection();

    // ---- deletion (key_deletion.cpp) ----
    void delete_toggle_click();  // IBtn78Click: the delete-one-key state on or off
    void delete_key(IBtn* key);  // delete branch of the key click
    void delallstudykeyClick();

    // ---- key context menu (key_context_menu.cpp) ----
    void install_key_menus();
    QMenu* key_menu(IBtn* key);  // built fresh for one showing; the caller deletes it
    void learn_key_from_file(IBtn* key);
    void export_key(IBtn* key);

    // ---- code library (library_import.cpp) ----
    void library_import_click();

    // ---- learning and deletion support (learning_session.cpp, key_deletion.cpp) ----
    // FormClose calls this before its commit step: stops and joins the collection
    // thread (its end handler runs), and writes deletions still pending.
    void finish_pending_work();
    // How long the collection thread waits for a code (tests shorten it).
    std::chrono::milliseconds collect_timeout{6000};

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    // Marks a handler that may show boxes: a close asked for meanwhile waits until
    // the outermost one has returned.
    class Busy {
      public:
        explicit Busy(Tmainorvalin& w);
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

      private:
        Tmainorvalin& w_;
    };
    int busy_ = 0;
    bool close_pending_ = false;

    void create_components();
    void switch_mode(int mode);
    // Learning and deletion helpers (learning_session.cpp, key_deletion.cpp).
    void show_instruction_panel(QLabel* panel);
    void update_delete_buttons();
    void finish_collection();
    void finish_deletions_for_close();
    bool write_pending_deletions();
    void show_delete_state();
    void abandon_selected_key(const QString& status);
    void show_normal(IBtn* key);
    void start_animation();
    void stop_animation();
    void show_hint(const QImage& picture);

    QString program_dir_;
    learning::Session session_;
    bool form_closed_ = false;          // FormClose has run
    bool animation_extracted_ = false;  // the animation file is this window's own
    QPoint drag_offset_;
    bool dragging_ = false;
    bool shown_once_ = false;
};

// Key code of a key button (its Code read as hex), -1 for none.
int key_code_of(const IBtn* key);
// The name messages give a key: as its picture shows it.
QString key_name_of(const IBtn* key);
bool is_mode_key(int key_code);
// "TV", "CBL" or "DVD".
QString mode_name(int mode);

}  // namespace orvalin::app
