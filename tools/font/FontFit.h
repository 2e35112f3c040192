#pragma once

#include "FontSource.h"

#include <string>
#include <vector>

namespace fonttool {

// How a source glyph becomes an 8 x 8 symbol. The window is the 8 x 8 part of the source's
// cell that is taken; a glyph with a lit dot outside it is refused, unless `crop` is set, in
// which case it is cut to the window and listed.
struct FitOptions {
    int windowLeft = 0;
    int windowTop = 0;
    bool crop = false;
    bool toLeft = false; // move each symbol to its leftmost column, as the editor's note asks
};

struct FitResult {
    Table table{};
    std::vector<int> missing;         // symbols 32..255 the source has no glyph for
    std::vector<std::string> cropped; // glyphs that lost lit dots to the window
    int taken = 0;                    // symbols that came from the source
};

// Symbol n comes from the glyph for the Unicode character that Windows-1251 code n stands for
// (or from the glyph at position n, for a source without Unicode). Symbols the source lacks
// keep their bytes from `base`. Throws FontError naming every glyph that does not fit.
FitResult fitFont(const FontSource& source, const FitOptions& options, const Table& base);

// "U+0410 А": how a character is named in messages.
std::string describeChar(char32_t ch);

} // namespace fonttool
