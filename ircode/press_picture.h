// The picture of one key press: marks and spaces on a time axis, one row per
// signal (the replay, and the capture under it where there is one). Only the
// geometry, in pixels, free of any toolkit: the SVG writer and the window's
// painter both draw these shapes as they are.
#pragma once

#include <string>
#include <vector>

namespace orvalin::ircode {

struct PictureRow {
    std::string label;              // e.g. "replay", "capture"
    std::vector<int> durations_us;  // marks positive, spaces negative, a mark first
};

struct PictureRect {
    double x = 0, y = 0, width = 0, height = 0;
};
struct PictureLine {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
struct PictureText {
    double x = 0, y = 0;  // the text's baseline start
    std::string text;
};

struct PressPicture {
    double width = 0, height = 0;
    std::vector<PictureRect> marks;  // filled: the carrier is on
    std::vector<PictureLine> lines;  // the rows' base lines, the axis and its ticks
    std::vector<PictureText> texts;  // row labels and tick labels
};

// Lays the rows out on one time axis `width` pixels wide (the longest row fills
// it). Ticks at 1, 2 or 5 x 10^n ms, about eight of them.
PressPicture layout_press(const std::vector<PictureRow>& rows, double width = 900);

// The picture as a standalone SVG document.
std::string press_svg(const PressPicture& picture);

}  // namespace orvalin::ircode
