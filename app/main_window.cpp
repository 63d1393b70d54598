#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QWindow>
#include <vector>

#include "app/delete_buttons.h"
#include "app/device_check.h"
#include "app/help_page.h"
#include "app/ibtn.h"
#include "app/key_panel.h"
#include "app/learning_view.h"
#include "app/link_monitor.h"
#include "app/shell_open.h"
#include "app/translation.h"
#include "app/update_entry.h"
#include "common/key_table.h"
#include "common/vendor_host.h"
#include "common/version.h"
#include "device/vorkel.h"
#include "learning/remote_lock.h"
#include "learning/table_backup.h"
#include "prompter/interface_language.h"
#include "prompter/prompter.h"

namespace orvalin::app {
namespace {

constexpr std::size_t kBasicInfoBytes = 1024;
constexpr std::size_t kCodeTableBytes = 12288;

}  // namespace

// The session writes through the device library and saves its backups in the
// backup folder; a backup that cannot be saved is the user's decision.
learning::SessionIo Tmainorvalin::device_io(Tmainorvalin* w) {
    learning::SessionIo io{
        [](const std::string& table) { return WCodeTypeData(table.c_str()); },
        [](std::string_view remote) {
            return learning::save_table_backup(remote, learning::backup_folder(),
                                               std::chrono::system_clock::now());
        },
        [w](const std::string&) {
            return box(w,
                       QCoreApplication::translate(
                           "Tmainorvalin", "无法保存遥控器编码表的备份！\r\n仍然要写入遥控器吗？"),
                       Buttons::yes_no) == Answer::yes;
        },
        [w](const std::string& line) { w->append_memo(QString::fromStdString(line)); },
        [](std::string_view table) {
            return learning::save_unwritten_table(table, learning::backup_folder(),
                                                  std::chrono::system_clock::now());
        },
    };
    // Every write goes onto what the remote holds right before it.
    io.read = []() -> std::optional<std::string> {
        std::vector<char> table(kCodeTableBytes, '\0');
        if (!RCodeTypeData(table.data()) || table[0] == '\0') return std::nullopt;
        return std::string(table.data(), table.size());
    };
    io.identity = []() -> std::optional<std::string> {
        std::vector<char> info(kBasicInfoBytes, '\0');
        if (!RBasicInfo(info.data()) || info[0] == '\0') return std::nullopt;
        return std::string(info.data());
    };
    io.lock = [] { return learning::take_remote_lock(); };
    io.resolve = [w](const std::vector<int>& codes) { return w->ask_conflict(codes); };
    return io;
}

Tmainorvalin::Tmainorvalin(const QString& program_dir, QWidget* parent)
    : QWidget(parent), program_dir_(program_dir), session_(device_io(this)) {
    create_components();
    FormCreate();
}

Tmainorvalin::~Tmainorvalin() {
    // The monitor must have returned before the window goes: it reaches the
    // window's components from its steps.
    if (link_thread) link_thread->stop_and_wait();
    // A window that goes without having closed still takes its own file along.
    if (!form_closed_ && animation_extracted_) QFile::remove(animation_file());
}

linkstate* Tmainorvalin::link_monitor() const {
    return link_thread.data();
}

void Tmainorvalin::FormCreate() {
    QApplication::setApplicationDisplayName(kAppTitle);

    learning_key_ = nullptr;
    link_thread = nullptr;
    collect_thread.clear();
    closing_ = false;
    session_.set_device_mode(0);
    // TV is the starting mode: its button and its mode key show their active look.
    keys_->show_mode(0);
    set_status(QCoreApplication::translate("Tmainorvalin", "您现在是在 电视/TV 里进行自学习！"));

    start_failed_ = !read_remote_at_start();
}

// The remote attached, checked and its table read; false when the program cannot
// go on (each refusal has told the user why).
bool Tmainorvalin::read_remote_at_start() {
    while (!link_state()) {
        if (box(this,
                QCoreApplication::translate("Tmainorvalin", "未检测到遥控器，请检查USB连接线"),
                Buttons::retry_cancel) != Answer::retry)
            return false;
    }
    QCoreApplication::processEvents();  // let the splash repaint

    // A read that fails part-way reports success with an empty text: that is a
    // failed read too.
    std::vector<char> info(kBasicInfoBytes, '\0');
    if (!RBasicInfo(info.data()) || info[0] == '\0') {
        plain_message(
            this, QString::fromStdString(unreadable_remote_message(interface_language() == "en")));
        return false;
    }
    const DeviceCheck check =
        check_basic_info(std::string_view(info.data(), info.size()), vendor_host());
    if (!check.accepted) {
        plain_message(this, translated("device_check", check.before) +
                                QString::fromStdString(vendor_host()) +
                                translated("device_check", check.after));
        return false;
    }

    session_.set_identity(std::string(info.data()));
    lab_ykqtype->setText(kAppTitle);
    lab_gjbb->setText(QStringLiteral(" 2.0"));

    std::string code_text;
    std::vector<char> table(kCodeTableBytes, '\0');
    if (RCodeTypeData(table.data()) && table[0] != '\0')
        code_text.assign(table.data(), table.size());
    if (code_text.empty()) {
        plain_message(
            this, QString::fromStdString(unreadable_remote_message(interface_language() == "en")));
        return false;
    }
    // A table that cannot be read must not be worked on (or written back).
    const learning::TableError error = session_.load(code_text);
    return error == learning::TableError::none || recover_unreadable_table(error, code_text);
}

void Tmainorvalin::FormShow() {
    if (start_failed_) {
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    start_link_monitor();
    if (!load_pictures()) {
        box(this, QCoreApplication::translate("Tmainorvalin", "调用图片出错！"));
        start_failed_ = true;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }

    // The display mode is never changed here: a narrow screen only gets the note.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize size = screen->size();
        if (size.width() < 1024)
            box(this, QCoreApplication::translate("Tmainorvalin",
                                                  "你目前的显示器分辨率是%1*%2\r\n为了运行该软件，"
                                                  "你的显示器分辨率至少要1024*768")
                          .arg(size.width())
                          .arg(size.height()));
    }
    show_first_state();
}

void Tmainorvalin::start_link_monitor() {
    if (link_thread) return;
    auto* monitor = new linkstate(this);
    connect(monitor, &linkstate::link_lost, this, &Tmainorvalin::link_lost);
    connect(monitor, &linkstate::link_back, this, &Tmainorvalin::link_back);
    connect(monitor, &QThread::finished, this, &Tmainorvalin::link_monitor_done,
            Qt::QueuedConnection);
    connect(monitor, &QThread::finished, monitor, &QObject::deleteLater);
    link_thread = monitor;
    monitor->start();
}

// The pictures of the keys, the hint and the delete buttons as the table says.
void Tmainorvalin::show_first_state() {
    refresh_key_pictures();
    view_->set_hint(tools_.gifkesdra);
    const bool learned = session_.has_learned_keys();
    deletion_->show_for(learned);
    if (!learned) session_.set_deleting(false);
    view_->show_resting(learned);
    lab_softver->setText(QString::fromLatin1(kVersionLabel));
}

void Tmainorvalin::FormCloseQuery(bool& can_close) {
    if (session_.learning() && link_state()) {
        box(this,
            QCoreApplication::translate("Tmainorvalin", "你正在学习，要退出系统请先停止学习！"));
        can_close = false;
        return;
    }
    closing_ = true;
    if (link_thread) link_thread->requestInterruption();
}

void Tmainorvalin::FormClose() {
    view_->animation()->stop();
    if (start_failed_) return;
    // The collection thread ends (and its end handler runs) before anything is written.
    finish_pending_work();
    if (session_.changed()) commit_session(true);

    keys_->pictures() = KeyPictures{};
    tools_ = ToolPictures{};
    learning_key_ = nullptr;

    view_->animation()->setFileName(QString());  // let go of the file
    const QString file = animation_file();
    if (QFile::exists(file)) QFile::remove(file);
}

QString Tmainorvalin::unwritten_note() const {
    const learning::BackupResult& saved = session_.unwritten();
    if (saved.ok)
        return QCoreApplication::translate("Tmainorvalin", "\r\n未写入的编码表已保存在：") +
               QString::fromStdString(saved.file.string());
    if (!saved.error.empty())
        return QCoreApplication::translate("Tmainorvalin", "\r\n未写入的编码表无法保存：") +
               QString::fromStdString(saved.error);
    return {};
}

void Tmainorvalin::link_lost() {
    session_.link_lost();  // what comes back may be another remote
    keys_->set_visible(false);
    beginstudyibtn->setEnabled(false);
    deletion_->set_enabled(false);
}

// Enabled whatever they were before the loss; their pictures stay as they are.
void Tmainorvalin::link_back() {
    keys_->set_visible(true);
    beginstudyibtn->setEnabled(true);
    deletion_->set_enabled(true);
}

void Tmainorvalin::link_monitor_done() {
    // The monitor has ended and frees itself: it is not touched again.
    link_thread = nullptr;
    if (!closing_) close();
}

// The manual in the interface's language, from the program's own data only.
void Tmainorvalin::helpibtnClick() {
    const Busy busy(*this);
    const auto page =
        find_manual_page(program_dir_.toStdString(), ORVALIN_DOC_DIR, interface_language());
    if (!page || !open_file(QString::fromStdString(page->string())))
        box(this, QCoreApplication::translate("Tmainorvalin", "找不到帮助文件！"));
}

void Tmainorvalin::updateibtnClick() {
    const Busy busy(*this);
    open_update_window(this, session_, program_dir_);
}

void Tmainorvalin::close_button_click() {
    close();
}

void Tmainorvalin::set_status(const QString& text, bool repaint_now) {
    view_->set_status(text, repaint_now);
}

void Tmainorvalin::append_memo(const QString& text) {
    Memo2->appendPlainText(text);
}

void Tmainorvalin::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_once_) return;
    shown_once_ = true;
    FormShow();
}

void Tmainorvalin::closeEvent(QCloseEvent* event) {
    if (form_closed_) {
        event->accept();
        return;
    }
    if (busy_ > 0) {
        // A handler waits for a box: the close comes when it has returned, so that
        // the session's end never runs underneath it.
        close_pending_ = true;
        event->ignore();
        return;
    }
    bool can_close = true;
    FormCloseQuery(can_close);
    if (!can_close) {
        event->ignore();
        return;
    }
    form_closed_ = true;
    FormClose();
    event->accept();
}

Tmainorvalin::Busy::Busy(Tmainorvalin& w) : w_(w) {
    ++w_.busy_;
}

Tmainorvalin::Busy::~Busy() {
    if (--w_.busy_ > 0 || !w_.close_pending_) return;
    w_.close_pending_ = false;
    QMetaObject::invokeMethod(&w_, &QWidget::close, Qt::QueuedConnection);
}

// A borderless window is moved by dragging its background.
void Tmainorvalin::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    dragging_ = !(windowHandle() != nullptr && windowHandle()->startSystemMove());
    drag_offset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void Tmainorvalin::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - drag_offset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void Tmainorvalin::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

}  // namespace orvalin::app
