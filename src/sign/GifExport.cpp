#include "sign/GifExport.h"

#ifdef LUMETRA_HAVE_GIF
#include <gif_lib.h>
#endif

#include <algorithm>
#include <memory>
#include <vector>

namespace sign {

#ifndef LUMETRA_HAVE_GIF

bool gifExportAvailable() {
    return false;
}

std::string writeGif(const std::string&, SignPlayer, int, int) {
    return "this build writes no GIF files";
}

#else

namespace {

enum Colour : GifPixelType { Background, DarkDot, LitDot };

// One picture of the dots; each a disc inscribed in its square.
std::vector<GifPixelType> picture(const SignPlayer& player, int pitch) {
    const int w = player.width() * pitch;
    std::vector<GifPixelType> pixels(static_cast<std::size_t>(w * SignPlayer::Rows * pitch),
                                     Background);
    const double r = pitch * 0.42;
    for (int x = 0; x < player.width(); ++x)
        for (int row = 0; row < SignPlayer::Rows; ++row)
            for (int py = 0; py < pitch; ++py)
                for (int px = 0; px < pitch; ++px) {
                    const double dx = px + 0.5 - pitch / 2.0, dy = py + 0.5 - pitch / 2.0;
                    if (dx * dx + dy * dy > r * r)
                        continue;
                    pixels[static_cast<std::size_t>((row * pitch + py) * w + x * pitch + px)] =
                        player.lit(x, row) ? LitDot : DarkDot;
                }
    return pixels;
}

} // namespace

bool gifExportAvailable() {
    return true;
}

std::string writeGif(const std::string& path, SignPlayer player, int ms, int pitch) {
    int error = 0;
    const auto close = [](GifFileType* f) {
        int ignored = 0;
        EGifCloseFile(f, &ignored);
    };
    std::unique_ptr<GifFileType, decltype(close)> gif(EGifOpenFileName(path.c_str(), false, &error),
                                                      close);
    if (!gif)
        return GifErrorString(error);
    const int w = player.width() * pitch, h = SignPlayer::Rows * pitch;
    const GifColorType colours[4] = {{0, 0, 0}, {70, 10, 6}, {255, 40, 24}, {0, 0, 0}};
    std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(GifMakeMapObject(4, colours),
                                                                   GifFreeMapObject);
    EGifSetGifVersion(gif.get(), true);
    if (EGifPutScreenDesc(gif.get(), w, h, 2, Background, map.get()) == GIF_ERROR)
        return GifErrorString(gif->Error);
    // Loop for ever.
    const unsigned char loop[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    const unsigned char forever[] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif.get(), APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif.get(), sizeof loop, loop) == GIF_ERROR ||
        EGifPutExtensionBlock(gif.get(), sizeof forever, forever) == GIF_ERROR ||
        EGifPutExtensionTrailer(gif.get()) == GIF_ERROR)
        return GifErrorString(gif->Error);

    // A tick is 10 ms, the GIF's delay unit: a picture stays until the display changes.
    std::vector<GifPixelType> shown = picture(player, pitch);
    int delay = 0;
    const auto put = [&]() -> bool {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.DelayTime = std::max(delay, 2);
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType ext[4];
        const auto n = EGifGCBToExtension(&gcb, ext);
        if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext) ==
                GIF_ERROR ||
            EGifPutImageDesc(gif.get(), 0, 0, w, h, false, nullptr) == GIF_ERROR)
            return false;
        for (int y = 0; y < h; ++y)
            if (EGifPutLine(gif.get(), shown.data() + y * w, w) == GIF_ERROR)
                return false;
        return true;
    };
    for (int t = 0; t < ms / SignPlayer::TickMs; ++t) {
        ++delay;
        if (!player.tick())
            continue;
        // Shorter than 2 hundredths is shown slower by most viewers: such a picture is skipped.
        if (delay >= 2) {
            if (!put())
                return GifErrorString(gif->Error);
            delay = 0;
        }
        shown = picture(player, pitch);
    }
    ++delay;
    if (!put())
        return GifErrorString(gif->Error);
    GifFileType* f = gif.release();
    if (EGifCloseFile(f, &error) == GIF_ERROR)
        return GifErrorString(error);
    return {};
}

#endif

} // namespace sign
