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

std::optional<std::vector<char32_t>> decodeUtf8(const std::string& text) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int more = b < 0x80         ? 0
                         : (b >> 5) == 6  ? 1
                         : (b >> 4) == 14 ? 2
                         : (b >> 3) == 30 ? 3
                                          : -1;
        char32_t ch = more == 0   ? b
                      : more == 1 ? (b & 0x1Fu)
                      : more == 2 ? (b & 0x0Fu)
                                  : (b & 0x07u);
        bool ok = more >= 0 && i + static_cast<std::size_t>(more) < text.size();
        for (int k = 1; ok && k <= more; ++k) {
            const auto c = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            ok = (c >> 6) == 2;
            ch = (ch << 6) | (c & 0x3Fu);
        }
        if (!ok)
            return std::nullopt;
        out.push_back(ch);
        i += static_cast<std::size_t>(more) + 1;
    }
    return out;
}

} // namespace fonttool
