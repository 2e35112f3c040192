#include "Sheet.h"

namespace fonttool {
namespace {

constexpr int Cells = 16;
constexpr int Dots = 8;
constexpr int Plain = Cells * Dots;
constexpr int GridLines = Cells + 1;
constexpr std::uint32_t White = 0xFFFFFFFF;
constexpr std::uint32_t Black = 0xFF000000;
constexpr std::uint32_t GridGrey = 0xFFB0B0B0;

// Where dot (c, r) of cell (column, row) starts.
int pixelAt(const SheetGeometry& g, int cell, int dot) {
    const int line = g.grid ? 1 : 0;
    return line + cell * (Dots * g.scale + line) + dot * g.scale;
}

bool dark(std::uint32_t argb) {
    const unsigned a = argb >> 24, r = (argb >> 16) & 0xFF, gr = (argb >> 8) & 0xFF,
                   b = argb & 0xFF;
    const unsigned brightness = (299 * r + 587 * gr + 114 * b) / 1000;
    // Composed on white: a transparent pixel is paper.
    return (a * brightness + (255 - a) * 255) / 255 < 128;
}

} // namespace

SheetGeometry sheetGeometry(int width, int height, const std::string& file) {
    if (width == height && width >= Plain && width % Plain == 0)
        return {width / Plain, false};
    if (width == height && width >= Plain && width % Plain == GridLines)
        return {(width - GridLines) / Plain, true};
    throw FontError(file +
                    ": a font sheet is 16 x 16 cells of 8 x 8 dots, 128 x 128 pixels or a "
                    "multiple of that, plus 17 pixels with one-pixel grid lines; this "
                    "picture is " +
                    std::to_string(width) + " x " + std::to_string(height));
}

FontSource readSheet(const Raster& picture, std::optional<std::uint32_t> litColour,
                     const std::string& file) {
    const SheetGeometry geometry = sheetGeometry(picture.width, picture.height, file);
    FontSource font;
    const int middle = geometry.scale / 2;
    for (int code = 0; code < Cells * Cells; ++code) {
        SourceGlyph g;
        g.name = "the cell at row " + std::to_string(code / Cells) + ", column " +
                 std::to_string(code % Cells);
        g.position = code;
        g.glyph = blankGlyph(Dots, Dots);
        for (int r = 0; r < Dots; ++r)
            for (int c = 0; c < Dots; ++c) {
                const std::uint32_t px = picture.at(pixelAt(geometry, code % Cells, c) + middle,
                                                    pixelAt(geometry, code / Cells, r) + middle);
                if (litColour ? (px >> 24) >= 128 && (px & 0xFFFFFF) == *litColour : dark(px))
                    g.glyph.set(c, r);
            }
        font.glyphs.push_back(std::move(g));
    }
    return font;
}

Raster drawSheet(const Table& table, SheetGeometry geometry) {
    Raster out;
    out.width = out.height = Plain * geometry.scale + (geometry.grid ? GridLines : 0);
    out.argb.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height),
                    geometry.grid ? GridGrey : White);
    for (int code = 0; code < Cells * Cells; ++code)
        for (int r = 0; r < Dots; ++r)
            for (int c = 0; c < Dots; ++c) {
                const bool lit = table[static_cast<std::size_t>(Dots * code + c)] & (1u << r);
                const int x0 = pixelAt(geometry, code % Cells, c);
                const int y0 = pixelAt(geometry, code / Cells, r);
                for (int y = y0; y < y0 + geometry.scale; ++y)
                    for (int x = x0; x < x0 + geometry.scale; ++x)
                        out.argb[static_cast<std::size_t>(y * out.width + x)] = lit ? Black : White;
            }
    return out;
}

} // namespace fonttool
