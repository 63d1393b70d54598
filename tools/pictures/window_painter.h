// The pictures of the main window, the splash and the update window.
#pragma once

#include <QImage>
#include <QString>

namespace orvalin::pictures {

enum class Panel { NoKeys, HasKeys, Learning, Deleting };
enum class Mode { Tv, Cbl, Dvd };

QImage window_background();                    // 1016 x 729
QImage instruction_panel(Panel panel);         // 409 x 167
QImage splash_picture();                       // 462 x 258
QImage mode_button(Mode mode, bool active);    // 121 / 129 / 121 x 41
QImage learn_button(bool learning);            // 161 x 50
QImage delete_button(bool greyed, bool stop);  // 152 x 49
QImage clear_button(bool greyed);              // 150 x 49
QImage help_button();                          // 95 x 28
QImage update_button();                        // 97 x 30
QImage close_button();                         // 38 x 27
QImage hint_brand();                           // 409 x 72, resting hint picture
QImage hint_waiting();                         // 409 x 72, learning waits for a key
QImage update_banner();                        // 140 x 300
QImage update_result(bool success);            // 64 x 64

}  // namespace orvalin::pictures
