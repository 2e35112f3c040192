#pragma once

#include "FontSource.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fonttool {

// Linux console fonts, PSF 1 and PSF 2, already unpacked. With a Unicode table each glyph
// stands for the characters listed for it (sequences are skipped); without one, glyph n is
// taken as symbol n. `file` names the font in messages. Throws FontError.
bool looksLikePsf(std::span<const std::uint8_t> bytes);
FontSource readPsf(std::span<const std::uint8_t> bytes, const std::string& file);

// Throws FontError when the PSF header at the start of `start` asks for a glyph table larger
// than any console font's: checked before a packed font is unpacked further.
void checkPsfSize(std::span<const std::uint8_t> start, const std::string& file);

// A PSF 2 font of the 256 symbols, 8 x 8, with a Unicode table from Windows-1251.
std::vector<std::uint8_t> writePsf2(const Table& table);

} // namespace fonttool
