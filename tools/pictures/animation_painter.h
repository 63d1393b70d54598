// Frames of the two animations: learning waits for a code, the update window connects.
#pragma once

#include <QImage>
#include <vector>

namespace orvalin::pictures {

inline constexpr int kAnimationFrames = 10;
inline constexpr int kAnimationDelayMs = 120;

std::vector<QImage> learning_animation();    // 413 x 72
std::vector<QImage> connecting_animation();  // 200 x 120

}  // namespace orvalin::pictures
