#include "GlyphSheet.h"

#include <algorithm>
#include <sstream>
#include <vector>

namespace {

constexpr int Rows = 8;
constexpr int MaxWidth = 7;

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

int parseCode(const std::string& hex, int line) {
    std::size_t used = 0;
    int code = -1;
    try {
        code = std::stoi(hex, &used, 16);
    } catch (const std::exception&) {
    }
    if (used != hex.size() || code < 32 || code > 255)
        throw GlyphSheetError(line, "symbol code must be hex 20..FF, not \"" + hex + "\"");
    return code;
}

struct Pending {
    int code = -1;
    int line = 0;
    bool allowGaps = false;
    std::vector<std::string> rows;
};

void checkAndStore(const Pending& g, ZgTable& table, std::array<bool, 256>& defined) {
    if (g.rows.size() != Rows)
        throw GlyphSheetError(g.line,
                              "a glyph has 8 rows, this one " + std::to_string(g.rows.size()));
    const std::size_t width = g.rows.front().size();
    if (width < 1 || width > MaxWidth)
        throw GlyphSheetError(g.line, "a glyph is 1 to 7 columns wide");
    std::array<std::uint8_t, 8> columns{};
    for (int r = 0; r < Rows; ++r) {
        const std::string& row = g.rows[r];
        if (row.size() != width)
            throw GlyphSheetError(g.line + 1 + r, "rows of a glyph must be equally wide");
        for (std::size_t c = 0; c < width; ++c) {
            if (row[c] == '#')
                columns[c] = static_cast<std::uint8_t>(columns[c] | (1u << r));
            else if (row[c] != '.')
                throw GlyphSheetError(g.line + 1 + r, "only '#' and '.' draw a glyph");
        }
    }
    if (columns[0] == 0)
        throw GlyphSheetError(g.line, "column 0 of a drawn glyph must not be empty");
    std::size_t last = width;
    while (last > 0 && columns[last - 1] == 0)
        --last;
    if (last != width)
        throw GlyphSheetError(g.line, "trailing empty columns: draw the glyph narrower");
    if (!g.allowGaps)
        for (std::size_t c = 0; c < width; ++c)
            if (columns[c] == 0)
                throw GlyphSheetError(g.line,
                                      "empty column " + std::to_string(c) + " inside the glyph");
    std::copy(columns.begin(), columns.end(), table.begin() + 8 * g.code);
    defined[g.code] = true;
}

} // namespace

ZgTable buildFontTable(const std::string& sheet) {
    ZgTable table{};
    std::array<bool, 256> defined{};
    std::istringstream in(sheet);
    std::string text;
    int lineNo = 0;
    Pending glyph;
    auto finish = [&] {
        if (glyph.code >= 0)
            checkAndStore(glyph, table, defined);
        glyph = Pending{};
    };
    while (std::getline(in, text)) {
        ++lineNo;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        // Comments start with "# "; a glyph row holds only '#' and '.', never a blank.
        if (text.empty() || startsWith(text, "# "))
            continue;
        if (startsWith(text, "==")) {
            finish();
            std::istringstream header(text.substr(2));
            std::string hex, word;
            header >> hex;
            const int code = parseCode(hex, lineNo);
            if (defined[code])
                throw GlyphSheetError(lineNo, "symbol " + hex + " is drawn twice");
            std::vector<std::string> words;
            while (header >> word)
                words.push_back(word);
            // "== XX = YY" or "== XX <reminder> = YY": a copy of symbol YY.
            const auto eq = std::find(words.begin(), words.end(), "=");
            if (eq != words.end()) {
                const int from = parseCode(eq + 1 != words.end() ? *(eq + 1) : "", lineNo);
                if (!defined[from])
                    throw GlyphSheetError(lineNo, "copy of a symbol not drawn before it");
                std::copy_n(table.begin() + 8 * from, 8, table.begin() + 8 * code);
                defined[code] = true;
                continue;
            }
            glyph.code = code;
            glyph.line = lineNo;
            for (const std::string& w : words)
                glyph.allowGaps = glyph.allowGaps || w == "allow-gaps";
            continue;
        }
        if (text == "blank") {
            if (glyph.code < 0 || !glyph.rows.empty())
                throw GlyphSheetError(lineNo, "\"blank\" stands alone under a header");
            defined[glyph.code] = true;
            glyph = Pending{};
            continue;
        }
        if (glyph.code < 0)
            throw GlyphSheetError(lineNo, "glyph rows without a \"== XX\" header");
        glyph.rows.push_back(text);
    }
    finish();
    return table;
}

int glyphWidth(const ZgTable& table, int code) {
    int width = 0;
    for (int c = 0; c < 8; ++c)
        if (table[8 * code + c] != 0)
            width = c + 1;
    return width;
}

std::string previewPgm(const ZgTable& table, int scale) {
    const int cell = 8 * scale + 2;
    const int width = 16 * cell;
    const int height = 14 * cell;
    std::string pixels(static_cast<std::size_t>(width * height), '\xC8');
    for (int code = 32; code < 256; ++code) {
        const int x0 = ((code - 32) % 16) * cell + 1;
        const int y0 = ((code - 32) / 16) * cell + 1;
        for (int c = 0; c < 8; ++c)
            for (int r = 0; r < 8; ++r) {
                const bool lit = (table[8 * code + c] >> r) & 1u;
                for (int dy = 0; dy < scale; ++dy)
                    for (int dx = 0; dx < scale; ++dx)
                        pixels[static_cast<std::size_t>((y0 + r * scale + dy) * width + x0 +
                                                        c * scale + dx)] = lit ? '\0' : '\xFF';
            }
    }
    return "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n" + pixels;
}
