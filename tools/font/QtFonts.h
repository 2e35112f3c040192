#pragma once

// The parts of the tool that need Qt: the PNG codec and the rasteriser of installed fonts.

#include "Sheet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fonttool {

Raster decodePicture(const std::vector<std::uint8_t>& bytes, const std::string& file);
std::vector<std::uint8_t> encodePng(const Raster& picture);

// An installed scalable font drawn at `pixelSize` by Qt, black on nothing: a dot is lit where
// the glyph covers at least `threshold` of 255; with `threshold` 0 it is drawn in two levels
// along the font's hints. The baseline runs under row `baseline` - 1 of
// the window. Needs a QGuiApplication. Throws FontError when the family is not installed.
struct RasterOptions {
    std::string family;
    int pixelSize = 8;
    int threshold = 0;
    int baseline = 7;
};
FontSource rasteriseFamily(const RasterOptions& options);

} // namespace fonttool
