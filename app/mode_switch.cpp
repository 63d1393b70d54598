// The device mode switch of the main window: TV, CBL or DVD, its status text and
// the key pictures of the new mode.
#include <QCoreApplication>
#include <array>

#include "app/key_panel.h"
#include "app/main_window.h"

namespace orvalin::app {
namespace {

constexpr std::array<const char*, 3> kModeStatus{
    QT_TRANSLATE_NOOP("Tmainorvalin", "您现在是在 电视/TV 里进行自学习！"),
    QT_TRANSLATE_NOOP("Tmainorvalin", "您现在是在 机顶盒/CBL 里进行自学习！"),
    QT_TRANSLATE_NOOP("Tmainorvalin", "您现在是在 影碟机/DVD 里进行自学习！"),
};

}  // namespace

void Tmainorvalin::TV_IBTNClick() {
    switch_mode(0);
}

void Tmainorvalin::CBL_IBTNClick() {
    switch_mode(1);
}

void Tmainorvalin::DVD_IBTNClick() {
    switch_mode(2);
}

void Tmainorvalin::switch_mode(int mode) {
    if (session_.device_mode() == mode) return;
    session_.set_device_mode(mode);
    keys_->show_mode(mode);
    set_status(
        QCoreApplication::translate("Tmainorvalin", kModeStatus[static_cast<std::size_t>(mode)]));
    refresh_key_pictures();
}

void Tmainorvalin::refresh_key_pictures() {
    keys_->refresh(session_);
}

}  // namespace orvalin::app
