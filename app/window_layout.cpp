// The main window's components, at their places and sizes.
#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QMovie>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <algorithm>

#include "app/ibtn.h"
#include "app/main_window.h"
#include "common/key_table.h"
#include "prompter/localized_picture.h"

namespace orvalin::app {
namespace {

const QColor kBackground(53, 124, 168);

QPixmap window_picture(const char* name) {
    return QPixmap(ui::localized_picture(QStringLiteral(":/window/") + QLatin1String(name)));
}

QLabel* picture_label(QWidget* parent, const char* name, QRect where) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(where);
    label->setScaledContents(true);
    return label;
}

QLabel* text_label(QWidget* parent, const char* name, QRect where) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(where);
    return label;
}

}  // namespace

IBtn* Tmainorvalin::key_button(int key_code) const {
    for (IBtn* b : key_buttons)
        if (key_code_of(b) == key_code) return b;
    return nullptr;
}

std::vector<IBtn*> Tmainorvalin::image_buttons() const {
    std::vector<IBtn*> all = key_buttons;
    for (IBtn* b : {TV_IBTN, CBL_IBTN, DVD_IBTN, beginstudyibtn, delstudykey, delallstudykey,
                    helpibtn, updateibtn, close_button})
        all.push_back(b);
    return all;
}

void Tmainorvalin::create_components() {
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

    background = picture_label(this, "Image1", {0, 0, 1016, 729});
    background->setPixmap(window_picture("Image1"));

    // Key panel: the picture of the remote with a button on every key.
    key_panel = new QScrollArea(this);
    key_panel->setObjectName(QStringLiteral("ykqbox"));
    key_panel->setGeometry(32, 9, 197, 731);
    key_panel->setFrameShape(QFrame::NoFrame);
    key_panel->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    key_panel->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    key_panel->setPalette(palette);
    key_panel->viewport()->setPalette(palette);
    auto* panel = new QWidget;
    panel->setFixedSize(197, 731);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
    auto* z = picture_label(panel, "z", {0, 0, 197, 731});
    z->setPixmap(window_picture("z"));
    for (const KeyInfo& key : kKeyTable) {
        auto* b = new IBtn(panel);
        b->setObjectName(QString::fromUtf8(key.button.data(), static_cast<int>(key.button.size())));
        b->setGeometry(key.left, key.top, key.width, key.height);
        b->setPath(QString::fromUtf8(key.path.data(), static_cast<int>(key.path.size())));
        b->setOpensPath(false);
        b->setCode(QStringLiteral("%1").arg(key.code, 2, 16, QLatin1Char('0')).toUpper());
        const bool mode_key = key.code == kTvModeKeyCode || key.code == kCblModeKeyCode ||
                              key.code == kDvdModeKeyCode;
        if (mode_key) {
            // Mode keys cannot be learned or deleted: their click does nothing.
            b->setDisablePic(
                window_picture((b->objectName() + QStringLiteral("_on")).toLatin1().constData()));
        } else {
            connect(b, &IBtn::clicked, this, &Tmainorvalin::key_click);
        }
        key_buttons.push_back(b);
    }
    key_panel->setWidget(panel);
    install_key_menus();

    const auto tool_button = [this](const char* name, QRect where, const char* picture,
                                    const char* disable_picture, const QString& hint) {
        auto* b = new IBtn(this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(where);
        if (picture != nullptr) b->setPicture(window_picture(picture));
        if (disable_picture != nullptr) b->setDisablePic(window_picture(disable_picture));
        if (!hint.isEmpty()) b->setToolTip(hint);
        b->setCursor(Qt::PointingHandCursor);
        return b;
    };

    TV_IBTN = tool_button("TV_IBTN", {440, 216, 121, 41}, "TV_IBTN", "TV_IBTN_on", {});
    CBL_IBTN = tool_button("CBL_IBTN", {584, 216, 129, 41}, "CBL_IBTN", "CBL_IBTN_on", {});
    DVD_IBTN = tool_button("DVD_IBTN", {728, 216, 121, 41}, "DVD_IBTN", "DVD_IBTN_on", {});
    connect(TV_IBTN, &IBtn::clicked, this, &Tmainorvalin::TV_IBTNClick);
    connect(CBL_IBTN, &IBtn::clicked, this, &Tmainorvalin::CBL_IBTNClick);
    connect(DVD_IBTN, &IBtn::clicked, this, &Tmainorvalin::DVD_IBTNClick);

    status_line = text_label(this, "runstate_lab", {432, 276, 409, 19});
    status_line->setAlignment(Qt::AlignCenter);
    QFont status_font(QStringLiteral("新宋体"));
    status_font.setPixelSize(16);
    status_line->setFont(status_font);
    status_line->setStyleSheet(QStringLiteral("color: red; background: transparent;"));

    cbl_note = text_label(this, "Lab_stb", {488, 302, 321, 20});
    cbl_note->setAlignment(Qt::AlignCenter);
    cbl_note->setStyleSheet(QStringLiteral("color: #1d5f8c; background: transparent;"));
    cbl_note->hide();

    hint_picture = picture_label(this, "Imagehint", {439, 341, 409, 72});
    animation_view = picture_label(this, "donghuaflash2", {437, 338, 413, 72});
    animation = new QMovie(this);
    animation_view->setMovie(animation);
    animation_view->hide();

    panel_learned_keys = picture_label(this, "Image4", {439, 412, 409, 167});
    panel_learning = picture_label(this, "Image5", {439, 412, 409, 167});
    panel_deleting = picture_label(this, "Image7", {439, 412, 409, 167});
    panel_no_learned_keys = picture_label(this, "Image8", {439, 412, 409, 167});
    panel_learned_keys->setPixmap(window_picture("Image4"));
    panel_learning->setPixmap(window_picture("Image5"));
    panel_deleting->setPixmap(window_picture("Image7"));
    panel_no_learned_keys->setPixmap(window_picture("Image8"));
    for (QLabel* panel_picture :
         {panel_learned_keys, panel_learning, panel_deleting, panel_no_learned_keys})
        panel_picture->hide();

    beginstudyibtn = tool_button("beginstudyibtn", {408, 623, 161, 50}, "beginstudyibtn",
                                 "beginstudyibtn_on", {});
    delstudykey = tool_button("delstudykey", {593, 624, 152, 49}, nullptr, nullptr, {});
    delallstudykey = tool_button("delallstudykey", {779, 624, 150, 49}, nullptr, nullptr, {});
    connect(beginstudyibtn, &IBtn::clicked, this, &Tmainorvalin::beginstudyibtnClick);
    verify_presses =
        new QCheckBox(QCoreApplication::translate("Tmainorvalin", "按两次核对编码"), this);
    verify_presses->setObjectName(QStringLiteral("verify_presses"));
    // Left of the row between the instruction panels and the learning buttons, as
    // wide as its text in either language.
    verify_presses->setGeometry(439, 590, verify_presses->sizeHint().width(), 22);
    connect(delstudykey, &IBtn::clicked, this, &Tmainorvalin::delete_toggle_click);
    connect(delallstudykey, &IBtn::clicked, this, &Tmainorvalin::delallstudykeyClick);

    helpibtn = tool_button("helpibtn", {722, 6, 95, 28}, "helpibtn", nullptr,
                           QCoreApplication::translate("Tmainorvalin", "帮助"));
    updateibtn = tool_button("updateibtn", {850, 5, 97, 30}, "updateibtn", nullptr,
                             QCoreApplication::translate("Tmainorvalin", "升级软件"));
    close_button = tool_button("IBtn79", {969, 6, 38, 27}, "IBtn79", nullptr,
                               QCoreApplication::translate("Tmainorvalin", "关闭软件"));
    connect(helpibtn, &IBtn::clicked, this, &Tmainorvalin::helpibtnClick);
    connect(updateibtn, &IBtn::clicked, this, &Tmainorvalin::updateibtnClick);
    connect(close_button, &IBtn::clicked, this, &Tmainorvalin::close_button_click);

    // Between the instruction panels and the learning buttons, clear of both.
    library_button =
        new QPushButton(QCoreApplication::translate("Tmainorvalin", "从遥控器库导入…"), this);
    library_button->setObjectName(QStringLiteral("library_button"));
    // Right-aligned with the panels above it, wide enough for its text.
    const int library_width = std::max(160, library_button->sizeHint().width() + 12);
    library_button->setGeometry(848 - library_width, 588, library_width, 26);
    connect(library_button, &QPushButton::clicked, this, &Tmainorvalin::library_import_click);

    const auto info_label = [this](const char* name, QRect where) {
        QLabel* label = text_label(this, name, where);
        label->setStyleSheet(QStringLiteral("color: #26323d; background: transparent;"));
        return label;
    };
    remote_model_label = info_label("lab_ykqtype", {766, 66, 146, 16});
    software_version_label = info_label("lab_softver", {766, 102, 148, 14});
    firmware_version_label = info_label("lab_gjbb", {766, 134, 146, 17});

    diagnostic_memo = new QPlainTextEdit(this);
    diagnostic_memo->setObjectName(QStringLiteral("Memo2"));
    diagnostic_memo->hide();
}

}  // namespace orvalin::app
