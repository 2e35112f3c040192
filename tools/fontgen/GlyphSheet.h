#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

// A font drawn as text (see glyphs.txt for the format) turned into the 2048 bytes of a .zg
// table: one byte per column, bit 0 the top row.
using ZgTable = std::array<std::uint8_t, 2048>;

class GlyphSheetError : public std::runtime_error {
public:
    GlyphSheetError(int line, const std::string& what)
        : std::runtime_error("line " + std::to_string(line) + ": " + what), m_line(line) {}
    int line() const { return m_line; }

private:
    int m_line;
};

// Throws GlyphSheetError for a malformed sheet or a glyph that breaks the drawing rules.
ZgTable buildFontTable(const std::string& sheet);

// The columns a symbol uses: from column 0 to its last lit column (0 for an empty one).
int glyphWidth(const ZgTable& table, int code);

// A grey-scale picture (PGM) of symbols 32..255, 16 to a row, each dot `scale` pixels.
std::string previewPgm(const ZgTable& table, int scale);
