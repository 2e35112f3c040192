#pragma once

#include "FontSource.h"

#include <string>

namespace fonttool {

// GNU Unifont's .hex: one glyph a line, "CODEPOINT:BITMAP" in hex, 16 rows of 8 or 16 dots.
// The sign's 8 rows are rows 7 to 14 of the 16, so that the baseline falls where Unifont has
// it (under row 13): the window starts there unless the operator moves it. Throws FontError
// with the file and line.
bool looksLikeUnifontHex(const std::string& text);
FontSource readUnifontHex(const std::string& text, const std::string& file);

// The 256 symbols as 8 x 16 glyphs, in code point order.
std::string writeUnifontHex(const Table& table);

inline constexpr int UnifontHexWindowTop = 7;

} // namespace fonttool
