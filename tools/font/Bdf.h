#pragma once

#include "FontSource.h"

#include <string>

namespace fonttool {

// Glyph Bitmap Distribution Format fonts (X11, Unicode bitmap fonts). Glyphs are placed in
// the font's bounding box, its top-left corner the window's. Unicode (ISO10646), Latin-1 and
// Windows-1251 fonts are read. Throws FontError with the file and line.
bool looksLikeBdf(const std::string& text);
FontSource readBdf(const std::string& text, const std::string& file);

// A BDF font of the 256 symbols, 8 x 8, encoded in Unicode.
std::string writeBdf(const Table& table, const std::string& name);

} // namespace fonttool
