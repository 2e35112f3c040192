#include "FontSource.h"

#include "base/Cp1251.h"

namespace fonttool {

Glyph blankGlyph(int width, int height, int left, int top) {
    Glyph g;
    g.width = width;
    g.height = height;
    g.left = left;
    g.top = top;
    g.dots.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    return g;
}

char32_t unicodeOf(int code) {
    return cp1251::cp1251ToUnicode(static_cast<std::uint8_t>(code));
}

std::optional<int> cp1251Of(char32_t ch) {
    if (const auto byte = cp1251::unicodeToCp1251(ch))
        return *byte;
    return std::nullopt;
}

std::string encodeUtf8(char32_t ch) {
    std::string out;
    cp1251::appendUtf8(out, ch);
    return out;
}

} // namespace fonttool
