// The main window: device check at start-up, and the parts that the user works
// with, each a class of its own:
//   KeyPanel       the remote's picture with its key buttons, the mode buttons
//   LearningView   status line, hint and animation, instruction panels
//   DeleteButtons  delete one key, clear all
//   update_entry   升级软件, refused while learning or deleting
// The window's handlers (by the names of the components they serve) join the
// parts with the session; their bodies are split by concern:
//   main_window.cpp      creation, show, close, link monitor, help, update button
//   window_layout.cpp    the components at their places
//   mode_switch.cpp      the mode switch
//   learning_session.cpp start/stop learning, key click, commit, end of collection
//   key_learned.cpp      the end of a learned key, whatever its source
//   key_deletion.cpp     delete one key, clear all
//   key_context_menu.cpp a key's menu: learn from a code file, export
//   library_import.cpp   a whole mode from the code library (library_dialog.*)
// The tables, key states and the session's state live in learning::Session; the
// window asks it and shows what it says.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/window_pictures.h"
#include "learning/press_check.h"
#include "learning/session.h"

class QCheckBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace orvalin::learning {
class TCollectCode;
struct Recognition;
}  // namespace orvalin::learning

namespace orvalin::app {

class DeleteButtons;
class IBtn;
class KeyPanel;
class LearningView;
class linkstate;

class Tmainorvalin : public QWidget {
    Q_OBJECT

  public:
    // program_dir: folder of the program file with a trailing separator (the picture
    // libraries, the code-info file and the fallback converter lie there).
    explicit Tmainorvalin(const QString& program_dir, QWidget* parent = nullptr);
    ~Tmainorvalin() override;

    // ---- what the window is in ----
    bool start_failed() const { return start_failed_; }
    bool closing() const { return closing_; }
    linkstate* link_monitor() const;
    bool collecting() const { return !collect_thread.isNull(); }
    // The key whose code is awaited from the remote, or none.
    IBtn* key_being_learned() const { return learning_key_; }
    // The learning session: tables, key states, learning and delete states.
    const learning::Session& session() const { return session_; }
    int cur_mode() const { return session_.device_mode(); }
    IBtn* key_button(int key_code) const;
    // Every IBtn of the window in component order (key buttons, mode buttons, tools).
    std::vector<IBtn*> image_buttons() const;
    const KeyPictures& key_pictures() const;
    const ToolPictures& tool_pictures() const { return tools_; }
    QString animation_file() const;  // where the learning animation is extracted
    // How long the collection thread waits for a code.
    void set_collect_timeout(std::chrono::milliseconds timeout) { collect_timeout_ = timeout; }

    // ---- handlers ----
    void FormClose();
    void TV_IBTNClick();
    void CBL_IBTNClick();
    void DVD_IBTNClick();
    void beginstudyibtnClick();
    void key_click(IBtn* key);
    void delete_toggle_click();  // IBtn78Click: the delete-one-key state on or off
    void delallstudykeyClick();
    void helpibtnClick();
    void updateibtnClick();
    void close_button_click();  // IBtn79Click
    void library_import_click();
    QMenu* key_menu(IBtn* key);  // built fresh for one showing; the caller deletes it
    void learn_key_from_file(IBtn* key);
    void export_key(IBtn* key);
    void link_lost();  // the monitor found the remote missing: panel away
    void link_back();  // and attached again: panel back
    // What the end of collection does with a collected text (the thread's end
    // handler passes the thread's text).
    void take_collected(std::string collected);

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

    // The session's reads and writes through the device library, its backups and
    // its questions to the user.
    static learning::SessionIo device_io(Tmainorvalin* w);

    // ---- life cycle (main_window.cpp, window_pictures.cpp, table_recovery.cpp) ----
    void FormCreate();
    bool read_remote_at_start();
    void FormShow();
    void start_link_monitor();
    void show_first_state();
    void FormCloseQuery(bool& can_close);
    void link_monitor_done();  // end handler of the link monitor
    bool load_pictures();
    // A table the parser refused at start-up: restore the newest backup or start
    // empty, as the user chooses; false when the program cannot go on.
    bool recover_unreadable_table(learning::TableError error, std::string read_text);
    void append_memo(const QString& text);  // the hidden diagnostic memo
    void set_status(const QString& text, bool repaint_now = false);

    // ---- components (window_layout.cpp) ----
    void create_components();
    void set_up_frame();
    void create_key_panel();
    void create_learning_controls();
    void create_tool_buttons();
    void create_info_labels();

    // ---- key panel (key_panel.cpp) ----
    void switch_mode(int mode);
    void refresh_key_pictures();

    // ---- learning (learning_session.cpp, key_learned.cpp) ----
    // closing: a failed write asks Retry/Cancel until it holds or is given up.
    bool commit_session(bool closing = false);
    // Where the table of the last failed write was saved, as a line for a box.
    QString unwritten_note() const;
    void start_collection();
    void collect_done();
    void finish_collection();
    // Refused with a box while a key waits for its code.
    bool refuse_while_key_waits();
    // The status line while a key's code is recognised.
    void show_learning_of(IBtn* key);
    // The one end of a recognised code, whatever its source: the key learned
    // with table, or why not.
    void key_learned(IBtn* key, const std::string& table);
    void key_not_learned(const QString& why);
    bool recognised(const learning::Recognition& r);
    // Checked by a second press: false while another press is awaited or the
    // presses were refused; table then holds the one taken.
    bool presses_agree(int key_code, std::string& table);
    void abandon_learning_key(const QString& status);
    void show_resting_panel();
    void update_delete_buttons();

    // ---- write outcomes (write_outcome.cpp) ----
    // Which side wins for keys changed on both sides, and why a write did not go
    // out (another remote is read again and shown before anything is written).
    learning::ConflictChoice ask_conflict(const std::vector<int>& codes);
    QString write_failure_reason();
    bool reread_remote();

    // ---- deletion (key_deletion.cpp) ----
    void delete_key(IBtn* key);  // delete branch of the key click
    bool write_pending_deletions();
    void show_delete_state();
    void finish_deletions_for_close();
    // FormClose calls this before its commit step: stops and joins the collection
    // thread (its end handler runs), and writes deletions still pending.
    void finish_pending_work();

    const QString program_dir_;
    learning::Session session_;
    bool start_failed_ = false;
    bool closing_ = false;
    QPointer<linkstate> link_thread;
    QPointer<learning::TCollectCode> collect_thread;
    std::chrono::milliseconds collect_timeout_{6000};
    IBtn* learning_key_ = nullptr;  // not owning
    // Learning checked by a second press (the option beside 开始学习, off by
    // default): the presses of the key being learned.
    learning::PressCheck press_check_;
    ToolPictures tools_;

    // Parts and the components of the window itself; each component keeps its
    // name in the layout as its objectName.
    std::unique_ptr<KeyPanel> keys_;
    std::unique_ptr<LearningView> view_;
    std::unique_ptr<DeleteButtons> deletion_;
    IBtn* beginstudyibtn = nullptr;
    QCheckBox* verify_presses_ = nullptr;
    IBtn *helpibtn = nullptr, *updateibtn = nullptr, *IBtn79 = nullptr;
    QPushButton* library_button_ = nullptr;
    QLabel *lab_ykqtype = nullptr, *lab_softver = nullptr, *lab_gjbb = nullptr;
    QPlainTextEdit* Memo2 = nullptr;  // hidden diagnostic memo

    int busy_ = 0;
    bool close_pending_ = false;
    bool form_closed_ = false;          // FormClose has run
    bool animation_extracted_ = false;  // the animation file is this window's own
    QPoint drag_offset_;
    bool dragging_ = false;
    bool shown_once_ = false;
};

}  // namespace orvalin::app
