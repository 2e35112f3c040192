#include "sign/TextGlyphs.h"

#include "sign/SignPlayer.h"

#include <algorithm>

namespace sign {
namespace {

constexpr int Blank = 0x20;
constexpr int NoBreakBlank = 0xA0;

bool symbolBlank(std::span<const std::uint8_t, FontTableSize> font, int code) {
    const auto symbol = font.subspan(static_cast<std::size_t>(code) * 8, 8);
    return std::all_of(symbol.begin(), symbol.end(), [](std::uint8_t c) { return c == 0; });
}

} // namespace

bool blankByDesign(int code) {
    return code <= Blank || code == NoBreakBlank;
}

std::bitset<256> glyphsUsed(std::span<const std::uint8_t> text) {
    std::bitset<256> used;
    for (const SignItem& item : parseSignText(text))
        if (item.kind == SignItem::Kind::Glyph)
            used.set(item.code);
    return used;
}

BlankGlyphs blankGlyphs(std::span<const std::uint8_t> text,
                        std::span<const std::uint8_t, FontTableSize> font) {
    std::bitset<256> blank;
    for (int code = 0; code < 256; ++code)
        blank[static_cast<std::size_t>(code)] = !blankByDesign(code) && symbolBlank(font, code);
    BlankGlyphs out;
    std::bitset<256> seen;
    for (const SignItem& item : parseSignText(text)) {
        if (item.kind != SignItem::Kind::Glyph || !blank[item.code])
            continue;
        ++out.count;
        seen.set(item.code);
    }
    for (int code = 0; code < 256; ++code)
        if (seen[static_cast<std::size_t>(code)])
            out.codes.push_back(static_cast<std::uint8_t>(code));
    return out;
}

} // namespace sign
