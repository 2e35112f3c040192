#pragma once

#include "FontSource.h"

#include <string>

namespace fonttool {

// monobit's yaff: a text font of labelled glyphs drawn with "." and "@". A glyph is taken for
// the characters its Unicode labels name; its codepoint labels give its Windows-1251 code when
// the font says it is encoded so, or when it has no Unicode labels at all. Glyphs stand on a
// common baseline, their raised or lowered rasters (shift-up) placed so. Throws FontError with
// the file and line.
bool looksLikeYaff(const std::string& text);
FontSource readYaff(const std::string& text, const std::string& file);

// A yaff font of the 256 symbols, 8 x 8, each under its Windows-1251 code and its character.
std::string writeYaff(const Table& table, const std::string& name);

} // namespace fonttool
