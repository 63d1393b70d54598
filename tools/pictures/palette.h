// Reduces true-colour frames to one shared palette of at most 256 colours, as GIF needs.
#pragma once

#include <QImage>
#include <QRgb>
#include <cstdint>
#include <vector>

namespace orvalin::pictures {

struct IndexedFrames {
    std::vector<QRgb> palette;                  // at most 256 entries
    std::vector<std::vector<uint8_t>> indices;  // one row-major index buffer per frame
};

// Median cut over the colours of all frames. Flat colours that cover a noticeable share
// of the pixels are kept exactly, so that backgrounds meet the window colour without a seam.
// The result depends only on the pixels, never on hash order, so builds stay reproducible.
IndexedFrames quantize(const std::vector<QImage>& frames);

}  // namespace orvalin::pictures
