#include "UnifontHex.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

namespace fonttool {
namespace {

constexpr int Rows = 16;
constexpr unsigned MaxCodePoint = 0x10FFFF;

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool allHex(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return hexValue(c) >= 0; });
}

// The lines that carry glyphs: not empty, not a comment.
template <typename F> void forEachGlyphLine(const std::string& text, F&& f) {
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (!f(line, number))
            return;
    }
}

} // namespace

bool looksLikeUnifontHex(const std::string& text) {
    bool hex = false;
    forEachGlyphLine(text, [&](const std::string& line, int) {
        const auto colon = line.find(':');
        hex = colon >= 4 && colon <= 6 && allHex(line.substr(0, colon)) &&
              allHex(line.substr(colon + 1));
        return false; // the first line tells
    });
    return hex;
}

FontSource readUnifontHex(const std::string& text, const std::string& file) {
    FontSource font;
    font.windowTop = UnifontHexWindowTop;
    forEachGlyphLine(text, [&](const std::string& line, int number) {
        const auto fail = [&](const std::string& why) {
            throw FontError(file + ":" + std::to_string(number) + ": " + why);
        };
        const auto colon = line.find(':');
        const std::string code = colon == std::string::npos ? line : line.substr(0, colon);
        const std::string bits = colon == std::string::npos ? "" : line.substr(colon + 1);
        if (colon == std::string::npos || code.size() < 4 || code.size() > 6 || !allHex(code))
            fail("not a glyph line CODEPOINT:BITMAP: \"" + line.substr(0, 40) + "\"");
        const unsigned cp = static_cast<unsigned>(std::stoul(code, nullptr, 16));
        if (cp > MaxCodePoint)
            fail("code point " + code + " is beyond Unicode");
        if (!allHex(bits) || (bits.size() != 32 && bits.size() != 64))
            fail("the bitmap of U+" + code +
                 " is not 32 or 64 hex digits (16 rows of 8 or 16 dots)");
        const int width = static_cast<int>(bits.size()) * 4 / Rows;
        SourceGlyph g;
        g.name = "U+" + code + " (line " + std::to_string(number) + ")";
        g.chars.push_back(static_cast<char32_t>(cp));
        g.glyph = blankGlyph(width, Rows);
        const int digits = width / 4;
        for (int y = 0; y < Rows; ++y)
            for (int x = 0; x < width; ++x)
                if (hexValue(bits[static_cast<std::size_t>(y * digits + x / 4)]) & (8 >> (x % 4)))
                    g.glyph.set(x, y);
        font.glyphs.push_back(std::move(g));
        return true;
    });
    if (font.glyphs.empty())
        throw FontError(file + ": no glyph lines");
    return font;
}

std::string writeUnifontHex(const Table& table) {
    std::map<char32_t, int> byChar;
    for (int code = 0; code < 256; ++code)
        byChar.emplace(unicodeOf(code), code);
    std::string out;
    char cell[8];
    for (const auto& [ch, code] : byChar) {
        std::snprintf(cell, sizeof cell, "%04X:", static_cast<unsigned>(ch));
        out += cell;
        for (int y = 0; y < Rows; ++y) {
            const int row = y - UnifontHexWindowTop;
            unsigned bits = 0;
            for (int col = 0; row >= 0 && row < 8 && col < 8; ++col)
                if (table[static_cast<std::size_t>(8 * code + col)] & (1u << row))
                    bits |= 0x80u >> col;
            std::snprintf(cell, sizeof cell, "%02X", bits);
            out += cell;
        }
        out += "\n";
    }
    return out;
}

} // namespace fonttool
