#include "tools/pictures/gif_writer.h"

#include <gif_lib.h>

#include <cstring>

#include "tools/pictures/palette.h"

namespace orvalin::pictures {
namespace {

int append_bytes(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

}  // namespace

QByteArray encode_gif(const std::vector<QImage>& frames, int frame_delay_ms) {
    if (frames.empty() || frames[0].isNull()) return {};
    const int w = frames[0].width(), h = frames[0].height();
    for (const auto& f : frames)
        if (f.size() != frames[0].size()) return {};

    const IndexedFrames indexed = quantize(frames);
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, append_bytes, &error);
    if (!gif) return {};

    // A colour map must have a power-of-two size; unused slots stay black.
    int map_size = 2;
    while (map_size < int(indexed.palette.size())) map_size *= 2;
    ColorMapObject* map = GifMakeMapObject(map_size, nullptr);
    bool ok = map != nullptr;
    if (ok) {
        for (int i = 0; i < map_size; ++i) {
            const QRgb c = i < int(indexed.palette.size()) ? indexed.palette[size_t(i)] : 0;
            map->Colors[i] = {GifByteType(qRed(c)), GifByteType(qGreen(c)), GifByteType(qBlue(c))};
        }
        EGifSetGifVersion(gif, true);
        ok = EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK;
    }
    const bool animated = frames.size() > 1;
    if (ok && animated) {
        static const char kLoop[] = "NETSCAPE2.0";
        const GifByteType loop_forever[3] = {1, 0, 0};
        ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
             EGifPutExtensionBlock(gif, 11, kLoop) == GIF_OK &&
             EGifPutExtensionBlock(gif, 3, loop_forever) == GIF_OK &&
             EGifPutExtensionTrailer(gif) == GIF_OK;
    }
    for (size_t f = 0; ok && f < frames.size(); ++f) {
        if (animated) {
            GraphicsControlBlock gcb{};
            gcb.DisposalMode = DISPOSE_DO_NOT;
            gcb.UserInputFlag = false;
            gcb.DelayTime = frame_delay_ms / 10;
            gcb.TransparentColor = NO_TRANSPARENT_COLOR;
            GifByteType ext[4];
            EGifGCBToExtension(&gcb, ext);
            ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_OK;
        }
        ok = ok && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
        for (int y = 0; ok && y < h; ++y) {
            auto* row =
                const_cast<GifPixelType*>(indexed.indices[f].data() + size_t(y) * size_t(w));
            ok = EGifPutLine(gif, row, w) == GIF_OK;
        }
    }
    if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
    GifFreeMapObject(map);
    return ok ? out : QByteArray();
}

}  // namespace orvalin::pictures
