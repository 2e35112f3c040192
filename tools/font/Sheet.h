#pragma once

#include "FontSource.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fonttool {

// A picture as 0xAARRGGBB pixels, row by row.
struct Raster {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
    std::uint32_t at(int x, int y) const { return argb[static_cast<std::size_t>(y * width + x)]; }
};

// A font sheet: 16 x 16 cells of 8 x 8 dots, symbol n at row n / 16 and column n % 16. Each dot
// is `scale` x `scale` pixels; with a grid, one-pixel lines run around and between the cells.
// So a sheet is 128 x 128 pixels times the scale, plus 17 with a grid.
struct SheetGeometry {
    int scale = 1;
    bool grid = false;
};
// Throws FontError when the size is no sheet's.
SheetGeometry sheetGeometry(int width, int height, const std::string& file);

// A dot is lit when its middle pixel is dark (on white, below half brightness), or when it has
// exactly `litColour` (0xRRGGBB) if one is given.
FontSource readSheet(const Raster& picture, std::optional<std::uint32_t> litColour,
                     const std::string& file);

// Black dots on white, grid lines light grey.
Raster drawSheet(const Table& table, SheetGeometry geometry);

} // namespace fonttool
