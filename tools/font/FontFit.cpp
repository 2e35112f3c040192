#include "FontFit.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace fonttool {
namespace {

constexpr int Cell = 8;
constexpr int FirstShown = 32;
constexpr std::size_t MaxListed = 12;

std::string symbolName(int code) {
    return "symbol " + std::to_string(code) + " (" + describeChar(unicodeOf(code)) + ")";
}

// The eight column bytes of a glyph seen through the window, and whether a lit dot was left out.
bool cut(const Glyph& g, const FitOptions& o, std::uint8_t* columns) {
    bool outside = false;
    for (int y = 0; y < g.height; ++y) {
        for (int x = 0; x < g.width; ++x) {
            if (!g.lit(x, y))
                continue;
            const int c = g.left + x - o.windowLeft;
            const int r = g.top + y - o.windowTop;
            if (c < 0 || c >= Cell || r < 0 || r >= Cell) {
                outside = true;
                continue;
            }
            columns[c] = static_cast<std::uint8_t>(columns[c] | (1u << r));
        }
    }
    return outside;
}

void moveLeft(std::uint8_t* columns) {
    int first = 0;
    while (first < Cell && columns[first] == 0)
        ++first;
    if (first == 0 || first == Cell)
        return;
    std::copy(columns + first, columns + Cell, columns);
    std::fill(columns + Cell - first, columns + Cell, std::uint8_t{0});
}

} // namespace

std::string describeChar(char32_t ch) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(ch));
    std::string out = hex;
    if (ch > 0x20 && ch != 0x7F && !(ch >= 0x80 && ch < 0xA0))
        out += " " + encodeUtf8(ch);
    return out;
}

FitResult fitFont(const FontSource& source, const FitOptions& options, const Table& base) {
    std::map<char32_t, const SourceGlyph*> byChar;
    std::map<int, const SourceGlyph*> byPosition;
    for (const SourceGlyph& g : source.glyphs) {
        for (const char32_t ch : g.chars)
            byChar.emplace(ch, &g);
        if (g.position)
            byPosition.emplace(*g.position, &g);
    }

    FitResult result;
    result.table = base;
    std::vector<std::string> refused;
    for (int code = 0; code < 256; ++code) {
        const SourceGlyph* found = nullptr;
        if (const auto p = byPosition.find(code); p != byPosition.end())
            found = p->second;
        else if (const auto c = byChar.find(unicodeOf(code)); c != byChar.end())
            found = c->second;
        if (!found) {
            if (code >= FirstShown)
                result.missing.push_back(code);
            continue;
        }
        std::uint8_t columns[Cell] = {};
        if (cut(found->glyph, options, columns)) {
            const std::string what = found->name + " for " + symbolName(code);
            if (!options.crop) {
                refused.push_back(what);
                continue;
            }
            result.cropped.push_back(what);
        }
        if (options.toLeft)
            moveLeft(columns);
        std::copy(columns, columns + Cell, result.table.begin() + Cell * code);
        ++result.taken;
    }

    if (!refused.empty()) {
        std::string text =
            std::to_string(refused.size()) + (refused.size() == 1 ? " glyph has" : " glyphs have") +
            " lit dots outside the sign's 8 x 8 window (columns " +
            std::to_string(options.windowLeft) + ".." +
            std::to_string(options.windowLeft + Cell - 1) + ", rows " +
            std::to_string(options.windowTop) + ".." +
            std::to_string(options.windowTop + Cell - 1) + " of the source's cell): ";
        for (std::size_t i = 0; i < refused.size() && i < MaxListed; ++i)
            text += (i ? "; " : "") + refused[i];
        if (refused.size() > MaxListed)
            text += "; and " + std::to_string(refused.size() - MaxListed) + " more";
        text += ". Move the window with --window COL,ROW, or cut them with --crop";
        throw FontError(text);
    }
    return result;
}

} // namespace fonttool
