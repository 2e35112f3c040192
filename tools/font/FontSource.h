#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fonttool {

using Table = std::array<std::uint8_t, 2048>;

// Why a font could not be read or written: the file, and where in it, are already in the text.
class FontError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One glyph of a source font, placed in the source's own cell: (left, top) is where its first
// dot falls, counted from the top-left corner of the 8 x 8 window that becomes the symbol.
struct Glyph {
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    std::vector<std::uint8_t> dots; // row by row, 1 lit

    bool lit(int x, int y) const { return dots[static_cast<std::size_t>(y * width + x)] != 0; }
    void set(int x, int y) { dots[static_cast<std::size_t>(y * width + x)] = 1; }
};

Glyph blankGlyph(int width, int height, int left = 0, int top = 0);

struct SourceGlyph {
    std::string name;            // how messages name it: "glyph 65", "\"A\" (line 120)"
    std::vector<char32_t> chars; // the Unicode characters it stands for
    std::optional<int> position; // its Windows-1251 code, for sources without Unicode
    Glyph glyph;
};

// A font as read from elsewhere, before it is fitted to the sign.
struct FontSource {
    std::vector<SourceGlyph> glyphs;
    std::vector<std::string> notes; // what the reader assumed, told to the operator
    int windowTop = 0; // the row of the source's cell the 8 x 8 window starts at, unless told
};

// Windows-1251 <-> Unicode for the sign's symbols.
char32_t unicodeOf(int code);
std::optional<int> cp1251Of(char32_t ch);
std::string encodeUtf8(char32_t ch);

} // namespace fonttool
