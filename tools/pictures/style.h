// Colours and fonts shared by every picture, so that the window reads as one product.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace orvalin::pictures {

namespace colour {
inline const QColor kWindow(53, 124, 168);  // the window's own background colour
inline const QColor kWindowDark(38, 98, 138);
inline const QColor kCard(243, 247, 250);  // panels behind the controls on the right
inline const QColor kCardLine(206, 220, 231);
inline const QColor kInk(33, 45, 58);
inline const QColor kInkSoft(92, 108, 124);
inline const QColor kBodyTop(64, 72, 84);  // remote housing
inline const QColor kBodyBottom(36, 41, 49);
inline const QColor kRubberTop(247, 249, 251);
inline const QColor kRubberBottom(212, 218, 226);
inline const QColor kLearnedTop(92, 209, 124);
inline const QColor kLearnedBottom(38, 150, 78);
inline const QColor kPickedTop(255, 214, 92);
inline const QColor kPickedBottom(255, 150, 28);
inline const QColor kPickedGlow(255, 176, 32);
inline const QColor kPresetTop(110, 176, 238);
inline const QColor kPresetBottom(44, 108, 186);
inline const QColor kActiveTop(226, 247, 255);
inline const QColor kActiveBottom(168, 226, 250);
inline const QColor kActiveRing(32, 178, 240);
inline const QColor kGreen(46, 170, 92);
inline const QColor kRed(217, 63, 48);
inline const QColor kAmber(255, 160, 30);
inline const QColor kGreyButton(196, 204, 212);
}  // namespace colour

// The application font (Noto Sans CJK, loaded from the file at start) at a pixel size.
QFont ui_font(double pixel_size, bool bold = false);
void set_ui_font_families(const QString& regular, const QString& bold);

}  // namespace orvalin::pictures
