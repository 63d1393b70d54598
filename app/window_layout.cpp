// The main window's components, at their places and sizes, and their handlers.
#include <QCheckBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "app/delete_buttons.h"
#include "app/ibtn.h"
#include "app/key_panel.h"
#include "app/learning_view.h"
#include "app/main_window.h"
#include "app/window_widgets.h"

namespace orvalin::app {
namespace {

const QColor kBackground(53, 124, 168);

}  // namespace

IBtn* Tmainorvalin::key_button(int key_code) const {
    return keys_->key_button(key_code);
}

std::vector<IBtn*> Tmainorvalin::image_buttons() const {
    std::vector<IBtn*> all = keys_->key_buttons();
    for (IBtn* b : keys_->mode_buttons()) all.push_back(b);
    for (IBtn* b : {beginstudyibtn, deletion_->toggle_button(), deletion_->clear_button(), helpibtn,
                    updateibtn, IBtn79})
        all.push_back(b);
    return all;
}

const KeyPictures& Tmainorvalin::key_pictures() const {
    return keys_->pictures();
}

void Tmainorvalin::create_components() {
    set_up_frame();
    create_key_panel();
    view_ = std::make_unique<LearningView>(this);
    create_learning_controls();
    create_tool_buttons();
    create_info_labels();
}

// A borderless window of fixed size in the middle of the screen, on its background.
void Tmainorvalin::set_up_frame() {
    setObjectName(QStringLiteral("mainorvalin"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(QCoreApplication::translate("Tmainorvalin", "自学习"));
    setFixedSize(1016, 740);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kBackground);
    setPalette(palette);
    setAutoFillBackground(true);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect where = rect();
        where.moveCenter(screen->availableGeometry().center());
        move(where.topLeft());
    }
    QLabel* background = picture_label(this, "Image1", {0, 0, 1016, 729});
    background->setPixmap(window_picture("Image1"));
}

void Tmainorvalin::create_key_panel() {
    keys_ = std::make_unique<KeyPanel>(this, palette());
    for (IBtn* b : keys_->key_buttons()) {
        const int k = key_code_of(b);
        // Mode keys cannot be learned or deleted: their click does nothing, and
        // they have no menu.
        if (is_mode_key(k)) continue;
        connect(b, &IBtn::clicked, this, &Tmainorvalin::key_click);
        b->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(b, &QWidget::customContextMenuRequested, this, [this, b](const QPoint& at) {
            const std::unique_ptr<QMenu> menu(key_menu(b));
            menu->exec(b->mapToGlobal(at));
        });
    }
    const std::vector<IBtn*> modes = keys_->mode_buttons();
    connect(modes[0], &IBtn::clicked, this, &Tmainorvalin::TV_IBTNClick);
    connect(modes[1], &IBtn::clicked, this, &Tmainorvalin::CBL_IBTNClick);
    connect(modes[2], &IBtn::clicked, this, &Tmainorvalin::DVD_IBTNClick);
}

// 开始学习, the two delete buttons and the check by a second press below the panels.
void Tmainorvalin::create_learning_controls() {
    beginstudyibtn = tool_button(this, "beginstudyibtn", {408, 623, 161, 50}, "beginstudyibtn",
                                 "beginstudyibtn_on");
    deletion_ = std::make_unique<DeleteButtons>(this, tools_);
    connect(beginstudyibtn, &IBtn::clicked, this, &Tmainorvalin::beginstudyibtnClick);
    verify_presses_ =
        new QCheckBox(QCoreApplication::translate("Tmainorvalin", "按两次核对编码"), this);
    verify_presses_->setObjectName(QStringLiteral("verify_presses"));
    // Left of the row between the instruction panels and the learning buttons, as
    // wide as its text in either language.
    verify_presses_->setGeometry(439, 590, verify_presses_->sizeHint().width(), 22);
    connect(deletion_->toggle_button(), &IBtn::clicked, this, &Tmainorvalin::delete_toggle_click);
    connect(deletion_->clear_button(), &IBtn::clicked, this, &Tmainorvalin::delallstudykeyClick);
}

// 帮助, 升级软件 and the close button at the top; 从遥控器库导入… below the panels.
void Tmainorvalin::create_tool_buttons() {
    helpibtn = tool_button(this, "helpibtn", {722, 6, 95, 28}, "helpibtn", nullptr,
                           QCoreApplication::translate("Tmainorvalin", "帮助"));
    updateibtn = tool_button(this, "updateibtn", {850, 5, 97, 30}, "updateibtn", nullptr,
                             QCoreApplication::translate("Tmainorvalin", "升级软件"));
    IBtn79 = tool_button(this, "IBtn79", {969, 6, 38, 27}, "IBtn79", nullptr,
                         QCoreApplication::translate("Tmainorvalin", "关闭软件"));
    connect(helpibtn, &IBtn::clicked, this, &Tmainorvalin::helpibtnClick);
    connect(updateibtn, &IBtn::clicked, this, &Tmainorvalin::updateibtnClick);
    connect(IBtn79, &IBtn::clicked, this, &Tmainorvalin::close_button_click);

    // Between the instruction panels and the learning buttons, clear of both.
    library_button_ =
        new QPushButton(QCoreApplication::translate("Tmainorvalin", "从遥控器库导入…"), this);
    library_button_->setObjectName(QStringLiteral("library_button"));
    // Right-aligned with the panels above it, wide enough for its text.
    const int library_width = std::max(160, library_button_->sizeHint().width() + 12);
    library_button_->setGeometry(848 - library_width, 588, library_width, 26);
    connect(library_button_, &QPushButton::clicked, this, &Tmainorvalin::library_import_click);
}

// Remote model, software and firmware version; the hidden diagnostic memo.
void Tmainorvalin::create_info_labels() {
    const auto info_label = [this](const char* name, QRect where) {
        QLabel* label = text_label(this, name, where);
        label->setStyleSheet(QStringLiteral("color: #26323d; background: transparent;"));
        return label;
    };
    lab_ykqtype = info_label("lab_ykqtype", {766, 66, 146, 16});
    lab_softver = info_label("lab_softver", {766, 102, 148, 14});
    lab_gjbb = info_label("lab_gjbb", {766, 134, 146, 17});

    Memo2 = new QPlainTextEdit(this);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->hide();
}

}  // namespace orvalin::app
