// GIF output through giflib: Qt reads GIF but cannot write it.
#pragma once

#include <QByteArray>
#include <QImage>
#include <vector>

namespace orvalin::pictures {

// One still picture, or an endlessly looping animation when more than one frame is given.
// All frames share the size of the first. Returns empty on failure.
QByteArray encode_gif(const std::vector<QImage>& frames, int frame_delay_ms = 100);

}  // namespace orvalin::pictures
