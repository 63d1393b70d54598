// The pictures of the main window, loaded from the picture libraries beside the
// program when the window is first shown.
#pragma once

#include <QImage>
#include <array>

namespace orvalin::app {

// Key picture sets, by key code (slots 0..50 filled).
struct KeyPictures {
    static constexpr int kSlots = 128;
    std::array<QImage, kSlots> on;  // normal
    std::array<QImage, kSlots> sn;  // holds a learned code ("2" or "3")
    std::array<QImage, kSlots> fn;  // picked for learning
    std::array<QImage, kSlots> dn;  // holds a preset code ("1")
};

// The pictures of the hint area and of the two delete buttons, named as in the
// picture library.
struct ToolPictures {
    QImage jpgjingtai, delete_pic, deletehui, clear_pic, clearhui, stopdelete, gifkesdra;
};

}  // namespace orvalin::app
