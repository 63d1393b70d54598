// The key panel: device mode switch and the key pictures of the current mode.
#include <QCoreApplication>
#include <QLabel>
#include <array>

#include "app/ibtn.h"
#include "app/main_window.h"
#include "common/hex_text.h"
#include "common/key_table.h"

namespace orvalin::app {
namespace {

struct ModeInfo {
    const char* status;
    int mode_key;
};

constexpr std::array<ModeInfo, 3> kModes{{
    {QT_TRANSLATE_NOOP("Tmainorvalin", "您现在是在 电视/TV 里进行自学习！"), kTvModeKeyCode},
    {QT_TRANSLATE_NOOP("Tmainorvalin", "您现在是在 机顶盒/CBL 里进行自学习！"), kCblModeKeyCode},
    {QT_TRANSLATE_NOOP("Tmainorvalin", "您现在是在 影碟机/DVD 里进行自学习！"), kDvdModeKeyCode},
}};

// Value of a hex text of digits only; -1 when it is not one.
int hex_value(QStringView digits) {
    const QByteArray latin = digits.toLatin1();
    return static_cast<int>(hex::digits_value(std::string_view(latin.constData(), latin.size())));
}

}  // namespace

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

void Tmainorvalin::TV_IBTNClick() {
    cbl_note->hide();
    switch_mode(0);
}

void Tmainorvalin::CBL_IBTNClick() {
    switch_mode(1);
}

void Tmainorvalin::DVD_IBTNClick() {
    cbl_note->hide();
    switch_mode(2);
}

void Tmainorvalin::switch_mode(int mode) {
    if (session_.device_mode() == mode) return;
    session_.set_device_mode(mode);

    const auto set_active = [](IBtn* b, bool active) {
        if (b == nullptr) return;
        if (active && b->IsEnable()) b->setIsEnable(false);
        if (!active && !b->IsEnable()) b->setIsEnable(true);
    };
    set_active(TV_IBTN, mode == 0);
    set_active(key_button(kTvModeKeyCode), mode == 0);
    set_active(key_button(kCblModeKeyCode), mode == 1);
    set_active(CBL_IBTN, mode == 1);
    set_active(key_button(kDvdModeKeyCode), mode == 2);
    set_active(DVD_IBTN, mode == 2);

    set_status(
        QCoreApplication::translate("Tmainorvalin", kModes[static_cast<std::size_t>(mode)].status));
    if (mode == 1) {
        cbl_note->setText(
            QCoreApplication::translate("Tmainorvalin", "出厂前已预置杭州地区华为机顶盒编码"));
        cbl_note->show();
    }
    refresh_key_pictures();
}

void Tmainorvalin::refresh_key_pictures() {
    const std::vector<IBtn*> buttons = image_buttons();
    for (IBtn* b : buttons) {
        if (b->Code().isEmpty()) continue;
        const int n = hex_value(b->Code());
        if (n == 0 || (n >= 4 && n <= 50))
            b->setPicture(key_pictures.on[static_cast<std::size_t>(n)]);
    }
    for (IBtn* b : buttons) {
        if (b->Code().isEmpty()) continue;
        const int n = hex_value(b->Code());
        if (n < 0 || n >= kKeyPictureCount) continue;
        const auto slot = static_cast<std::size_t>(n);
        switch (learning::key_look(session_.keys(), n, session_.device_mode())) {
            case learning::KeyLook::learned:
                b->setIsEnable(false);
                b->setPicture(key_pictures.sn[slot]);
                break;
            case learning::KeyLook::preset:
                b->setPicture(key_pictures.dn[slot]);
                break;
            case learning::KeyLook::normal:
                break;
        }
    }
}

}  // namespace orvalin::app
