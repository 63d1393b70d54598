// The key panel: the key buttons on the remote's picture, the mode buttons and
// the key pictures of the current mode.
#include "app/key_panel.h"

#include <QCoreApplication>
#include <QLabel>
#include <QScrollArea>

#include "app/ibtn.h"
#include "app/translation.h"
#include "app/window_widgets.h"
#include "common/hex_text.h"
#include "common/key_table.h"
#include "learning/session.h"

namespace orvalin::app {
namespace {

// Value of a hex text of digits only; -1 when it is not one.
int hex_value(QStringView digits) {
    const QByteArray latin = digits.toLatin1();
    return static_cast<int>(hex::digits_value(std::string_view(latin.constData(), latin.size())));
}

QScrollArea* remote_picture(QWidget* window, const QPalette& palette) {
    auto* area = new QScrollArea(window);
    area->setObjectName(QStringLiteral("ykqbox"));
    area->setGeometry(32, 9, 197, 731);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setPalette(palette);
    area->viewport()->setPalette(palette);
    auto* panel = new QWidget;
    panel->setFixedSize(197, 731);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
    auto* z = picture_label(panel, "z", {0, 0, 197, 731});
    z->setPixmap(window_picture("z"));
    area->setWidget(panel);
    return area;
}

IBtn* key_button_for(QWidget* panel, const KeyInfo& key) {
    auto* b = new IBtn(panel);
    b->setObjectName(QString::fromUtf8(key.button.data(), static_cast<int>(key.button.size())));
    b->setGeometry(key.left, key.top, key.width, key.height);
    b->setPath(QString::fromUtf8(key.path.data(), static_cast<int>(key.path.size())));
    b->setOpensPath(false);
    b->setCode(QStringLiteral("%1").arg(key.code, 2, 16, QLatin1Char('0')).toUpper());
    // Mode keys show their active look through the disable picture.
    if (is_mode_key(key.code))
        b->setDisablePic(
            window_picture((b->objectName() + QStringLiteral("_on")).toLatin1().constData()));
    return b;
}

void set_active(IBtn* b, bool active) {
    if (b == nullptr) return;
    if (active && b->IsEnable()) b->setIsEnable(false);
    if (!active && !b->IsEnable()) b->setIsEnable(true);
}

}  // namespace

KeyPanel::KeyPanel(QWidget* window, const QPalette& palette)
    : ykqbox_(remote_picture(window, palette)) {
    for (const KeyInfo& key : kKeyTable) keys_.push_back(key_button_for(ykqbox_->widget(), key));
    TV_IBTN = tool_button(window, "TV_IBTN", {440, 216, 121, 41}, "TV_IBTN", "TV_IBTN_on");
    CBL_IBTN = tool_button(window, "CBL_IBTN", {584, 216, 129, 41}, "CBL_IBTN", "CBL_IBTN_on");
    DVD_IBTN = tool_button(window, "DVD_IBTN", {728, 216, 121, 41}, "DVD_IBTN", "DVD_IBTN_on");
    Lab_stb = text_label(window, "Lab_stb", {488, 302, 321, 20});
    Lab_stb->setAlignment(Qt::AlignCenter);
    Lab_stb->setStyleSheet(QStringLiteral("color: #1d5f8c; background: transparent;"));
    Lab_stb->hide();
}

IBtn* KeyPanel::key_button(int key_code) const {
    for (IBtn* b : keys_)
        if (key_code_of(b) == key_code) return b;
    return nullptr;
}

void KeyPanel::show_mode(int mode) {
    set_active(TV_IBTN, mode == 0);
    set_active(key_button(kTvModeKeyCode), mode == 0);
    set_active(key_button(kCblModeKeyCode), mode == 1);
    set_active(CBL_IBTN, mode == 1);
    set_active(key_button(kDvdModeKeyCode), mode == 2);
    set_active(DVD_IBTN, mode == 2);
    if (mode == 1)
        Lab_stb->setText(
            QCoreApplication::translate("Tmainorvalin", "出厂前已预置杭州地区华为机顶盒编码"));
    Lab_stb->setVisible(mode == 1);
}

void KeyPanel::refresh(const learning::Session& session) {
    for (IBtn* b : keys_) {
        const int n = hex_value(b->Code());
        if (n == 0 || (n >= 4 && n <= 50)) b->setPicture(pictures_.on[static_cast<std::size_t>(n)]);
    }
    for (IBtn* b : keys_) {
        const int n = hex_value(b->Code());
        if (n < 0 || n >= kKeyPictureCount) continue;
        const auto slot = static_cast<std::size_t>(n);
        switch (learning::key_look(session.keys(), n, session.device_mode())) {
            case learning::KeyLook::learned:
                b->setIsEnable(false);
                b->setPicture(pictures_.sn[slot]);
                break;
            case learning::KeyLook::preset:
                b->setPicture(pictures_.dn[slot]);
                break;
            case learning::KeyLook::normal:
                break;
        }
    }
}

void KeyPanel::show_normal(IBtn* key) const {
    const int k = key_code_of(key);
    if (k >= 0 && k < KeyPictures::kSlots) key->setPicture(pictures_.on[k]);
}

void KeyPanel::show_picked(IBtn* key) const {
    const int k = key_code_of(key);
    if (k >= 0 && k < KeyPictures::kSlots) key->setPicture(pictures_.fn[k]);
}

void KeyPanel::release_learned_looks() const {
    for (IBtn* b : keys_)
        if (const int k = key_code_of(b); k >= 0 && !is_mode_key(k) && !b->IsEnable())
            b->setIsEnable(true);
}

void KeyPanel::set_visible(bool visible) {
    ykqbox_->setVisible(visible);
}

int key_code_of(const IBtn* key) {
    if (!key) return -1;
    const int code = hex_value(key->Code());
    return code >= 0 && code < kCodesPerMode ? code : -1;
}

bool is_mode_key(int key_code) {
    return key_code == kTvModeKeyCode || key_code == kCblModeKeyCode || key_code == kDvdModeKeyCode;
}

QString mode_name(int mode) {
    switch (mode) {
        case 1:
            return QStringLiteral("CBL");
        case 2:
            return QStringLiteral("DVD");
        default:
            return QStringLiteral("TV");
    }
}

// Messages name a key as its picture shows it (F1, not one of twelve 自定义).
QString key_name_of(const IBtn* key) {
    const int k = key_code_of(key);
    for (const KeyInfo& info : kKeyTable)
        if (info.code == k) {
            // Names in words (静音, 播放) are translated like the messages around them.
            return translated("keys", std::string(key_message_name(info)));
        }
    return key->Path();
}

}  // namespace orvalin::app
