#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>
#include <QScreen>
#include <QScrollArea>
#include <QWindow>
#include <vector>

#include "app/device_check.h"
#include "app/ibtn.h"
#include "app/link_monitor.h"
#include "app/prompter.h"
#include "app/shell_open.h"
#include "common/key_table.h"
#include "common/vendor_host.h"
#include "device/vorkel.h"
#include "update/update_window.h"

namespace orvalin::app {
namespace {

Tmainorvalin* the_window = nullptr;

constexpr std::size_t kBasicInfoBytes = 1024;
constexpr std::size_t kCodeTableBytes = 12288;

}  // namespace

Tmainorvalin* main_window() {
    return the_window;
}

Tmainorvalin::Tmainorvalin(const QString& program_dir, QWidget* parent)
    : QWidget(parent), program_dir_(program_dir) {
    the_window = this;
    create_components();
    FormCreate();
}

Tmainorvalin::~Tmainorvalin() {
    // The monitor must have returned before the window goes: it reaches the
    // window's components from its steps.
    if (link_thread) link_thread->stop_and_wait();
    // A window that goes without having closed still takes its own file along.
    if (!form_closed_ && animation_extracted_) QFile::remove(animation_file());
    if (the_window == this) the_window = nullptr;
}

void Tmainorvalin::FormCreate() {
    QApplication::setApplicationDisplayName(kAppTitle);

    key_lines.clear();
    selected_keys.clear();
    prior_lines.clear();
    link_thread = nullptr;
    collect_thread.clear();
    closing = false;
    net_ok = false;
    cur_mode = 0;

    // TV is the starting mode: its button and its mode key show their active look.
    if (IBtn* tv_key = key_button(kTvModeKeyCode); tv_key != nullptr && tv_key->IsEnable()) {
        tv_key->setIsEnable(false);
        TV_IBTN->setIsEnable(false);
    }
    set_status(QStringLiteral("您现在是在 电视/TV 里进行自学习！"));

    study_state = false;
    delete_state = false;
    table_changed = false;
    start_failed = false;

    while (!link_state()) {
        if (box(this, QStringLiteral("未检测到遥控器，请检查USB连接线"), Buttons::retry_cancel) !=
            Answer::retry) {
            start_failed = true;
            exe_dir = program_dir_;
            return;
        }
    }
    QCoreApplication::processEvents();  // let the splash repaint

    // A read that fails part-way reports success with an empty text: that is a
    // failed read too.
    std::vector<char> info(kBasicInfoBytes, '\0');
    if (!RBasicInfo(info.data()) || info[0] == '\0') {
        start_failed = true;
        plain_message(this, QString::fromStdString(unreadable_remote_message()));
        return;
    }
    const DeviceCheck check =
        check_basic_info(std::string_view(info.data(), info.size()), vendor_host());
    if (!check.accepted) {
        start_failed = true;
        plain_message(this, QString::fromStdString(check.message));
        exe_dir = program_dir_;
        return;
    }

    lab_ykqtype->setText(kAppTitle);
    lab_gjbb->setText(QStringLiteral(" 2.0"));

    code_text.clear();
    std::vector<char> table(kCodeTableBytes, '\0');
    if (RCodeTypeData(table.data()) && table[0] != '\0')
        code_text.assign(table.data(), table.size());
    code_text_saved = code_text;
    if (code_text.empty()) {
        start_failed = true;
        plain_message(this, QString::fromStdString(unreadable_remote_message()));
        return;
    }

    learning::KeyLinesResult parsed = learning::parse_key_lines(code_text);
    if (!parsed.ok()) {
        // A table that cannot be read must not be worked on (or written back).
        start_failed = true;
        box(this, QString::fromStdString(learning::describe(parsed.error)));
        exe_dir = program_dir_;
        return;
    }
    key_lines = std::move(parsed.lines);
    exe_dir = program_dir_;
}

void Tmainorvalin::FormShow() {
    if (start_failed) {
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    if (!link_thread) {
        auto* monitor = new linkstate(this);
        connect(monitor, &QThread::finished, this, &Tmainorvalin::link_monitor_done,
                Qt::QueuedConnection);
        connect(monitor, &QThread::finished, monitor, &QObject::deleteLater);
        link_thread = monitor;
        monitor->start();
    }
    if (!load_pictures()) {
        box(this, QStringLiteral("调用图片出错！"));
        start_failed = true;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }

    // The display mode is never changed here: a narrow screen only gets the note.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize size = screen->size();
        if (size.width() < 1024)
            box(this, QStringLiteral("你目前的显示器分辨率是%1*%2\r\n为了运行该软件，"
                                     "你的显示器分辨率至少要1024*768")
                          .arg(size.width())
                          .arg(size.height()));
    }

    refresh_key_pictures();

    Imagehint->setPixmap(QPixmap::fromImage(gifkesdra));
    delstudykey->setPicture(delete_pic);
    delallstudykey->setPicture(clear_pic);
    if (has_learned_keys()) {
        delstudykey->setEnabled(true);
        delallstudykey->setEnabled(true);
        Image8->hide();
        Image4->show();
    } else {
        delstudykey->setPicture(deletehui);
        delstudykey->setEnabled(false);
        delallstudykey->setPicture(clearhui);
        delallstudykey->setEnabled(false);
        delete_state = false;
        Image8->show();
        Image4->hide();
    }
    Image5->hide();
    Image7->hide();
    lab_softver->setText(QStringLiteral("V 2.2"));
}

void Tmainorvalin::FormCloseQuery(bool& can_close) {
    if (study_state && link_state()) {
        box(this, QStringLiteral("你正在学习，要退出系统请先停止学习！"));
        can_close = false;
        return;
    }
    closing = true;
    if (link_thread) link_thread->requestInterruption();
}

void Tmainorvalin::FormClose() {
    if (animation != nullptr) animation->stop();
    if (start_failed) return;
    // The collection thread ends (and its end handler runs) before anything is written.
    finish_pending_work();
    if (table_changed) commit_session();

    key_pictures = KeyPictures{};
    for (QImage* picture :
         {&jpgjingtai, &delete_pic, &deletehui, &clear_pic, &clearhui, &stopdelete, &gifkesdra})
        *picture = QImage();
    key_lines.clear();
    selected_keys.clear();

    if (animation != nullptr) animation->setFileName(QString());  // let go of the file
    const QString file = animation_file();
    if (QFile::exists(file)) QFile::remove(file);
}

bool Tmainorvalin::has_learned_keys() const {
    return learning::has_learned_keys(key_lines);
}

void Tmainorvalin::link_monitor_done() {
    // The monitor has ended and frees itself: it is not touched again.
    link_thread = nullptr;
    if (!closing) close();
}

void Tmainorvalin::helpibtnClick() {
    if (!open_document(QStringLiteral("studyhelp.chm")))
        box(this, QStringLiteral("找不到帮助文件！"));
}

void Tmainorvalin::updateibtnClick() {
    if (study_state) {
        plain_message(this, QStringLiteral("软件正在学习状态，要升级请退出学习状态！"));
    } else if (delete_state) {
        plain_message(this, QStringLiteral("软件正在删除状态，要升级请退出删除状态！"));
    } else {
        update::run_update_window(this, exe_dir, net_ok);
    }
}

void Tmainorvalin::IBtn79Click() {
    close();
}

void Tmainorvalin::set_status(const QString& text, bool repaint_now) {
    runstate_lab->setText(text);
    if (repaint_now) runstate_lab->repaint();
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
