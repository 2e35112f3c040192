#include "GlyphSheet.h"

#include "font/FontTable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

std::array<std::uint8_t, 8> symbolOf(const ZgTable& t, int n) {
    std::array<std::uint8_t, 8> s{};
    std::copy_n(t.begin() + 8 * n, 8, s.begin());
    return s;
}

using Symbol = std::array<std::uint8_t, 8>;

const char* const Sample = R"(# a comment line
== 41 A
.###.
#...#
#...#
#####
#...#
#...#
#...#
.....

== C0 А = 41
== 21 !
#
#
#
#
#
.
#
.
== 5F _
.....
.....
.....
.....
.....
.....
.....
#####
== 20
blank
)";

TEST(GlyphSheet, DrawingsBecomeColumnBytesWithTheTopRowInBitZero) {
    const ZgTable t = buildFontTable(Sample);
    EXPECT_EQ(symbolOf(t, 0x41), (Symbol{0x7E, 0x09, 0x09, 0x09, 0x7E, 0, 0, 0}));
    EXPECT_EQ(symbolOf(t, 0xC0), symbolOf(t, 0x41));
    EXPECT_EQ(symbolOf(t, 0x21), (Symbol{0x5F, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(symbolOf(t, 0x5F), (Symbol{128, 128, 128, 128, 128, 0, 0, 0}));
    EXPECT_EQ(glyphWidth(t, 0x41), 5);
    EXPECT_EQ(glyphWidth(t, 0x21), 1);
    EXPECT_EQ(glyphWidth(t, 0x20), 0);
    // Everything not drawn stays empty.
    int lit = 0;
    for (int n = 0; n < 256; ++n)
        lit += glyphWidth(t, n) > 0;
    EXPECT_EQ(lit, 4);
}

// A header and the given rows, one per line.
std::string glyph(const std::string& header, std::initializer_list<const char*> rows) {
    std::string text = header + "\n";
    for (const char* row : rows)
        text += std::string(row) + "\n";
    return text;
}

TEST(GlyphSheet, RefusesGlyphsThatBreakTheRulesAndTellsTheLine) {
    struct Case {
        const char* what;
        std::string sheet;
        int line;
    };
    const std::string bar = glyph("== 41", {"#", "#", "#", "#", "#", "#", "#", "#"});
    for (const Case& k : {
             Case{"seven rows", glyph("== 41", {"#", "#", "#", "#", "#", "#", "#"}), 1},
             Case{"eight columns",
                  "\n" + glyph("== 41", {"########", "#", "#", "#", "#", "#", "#", "#"}), 2},
             Case{"empty column 0",
                  glyph("== 41", {".#", ".#", ".#", ".#", ".#", ".#", ".#", ".#"}), 1},
             Case{"gap inside",
                  glyph("== 41", {"#.#", "...", "...", "...", "...", "...", "...", "..."}), 1},
             Case{"trailing empty column",
                  glyph("== 41", {"#.", "#.", "#.", "..", "..", "..", "..", ".."}), 1},
             Case{"uneven rows", glyph("== 41", {"#", "##", "#", "#", "#", "#", "#", "#"}), 3},
             Case{"stray character", glyph("== 41", {"#", "#", "x", "#", "#", "#", "#", "#"}), 4},
             Case{"code out of range", glyph("== 1F", {"#", "#", "#", "#", "#", "#", "#", "#"}), 1},
             Case{"drawn twice", bar + bar, 10},
             Case{"copy of nothing", "== 42 = 41\n", 1},
             Case{"rows without a header", "# comment\n#\n", 2},
         }) {
        try {
            buildFontTable(k.sheet);
            ADD_FAILURE() << k.what << " was accepted";
        } catch (const GlyphSheetError& e) {
            EXPECT_EQ(e.line(), k.line) << k.what << ": " << e.what();
        }
    }
    // The one way to keep a gap is to say so.
    const ZgTable t = buildFontTable("== 85 allow-gaps\n...\n...\n...\n...\n...\n...\n#.#\n...\n");
    EXPECT_EQ(symbolOf(t, 0x85), (Symbol{64, 0, 64, 0, 0, 0, 0, 0}));
}

TEST(GlyphSheet, PreviewIsAPictureOfEverySymbolFromSpaceOn) {
    ZgTable t{};
    t[8 * 32] = 1; // the top-left dot of the first symbol shown
    const std::string pgm = previewPgm(t, 2);
    const std::string header =
        "P5\n" + std::to_string(16 * 18) + " " + std::to_string(14 * 18) + "\n255\n";
    ASSERT_EQ(pgm.substr(0, header.size()), header);
    const auto pixel = [&](int x, int y) {
        return static_cast<unsigned char>(pgm[header.size() + y * 16 * 18 + x]);
    };
    EXPECT_EQ(pixel(1, 1), 0);   // lit
    EXPECT_EQ(pixel(2, 2), 0);   // the same dot, scaled
    EXPECT_EQ(pixel(3, 1), 255); // dark
    EXPECT_EQ(pixel(0, 0), 200); // the frame between symbols
    EXPECT_EQ(pgm.size(), header.size() + 16u * 18 * 14 * 18);
}

// The shipped starter font ---------------------------------------------------

class StarterFont : public ::testing::Test {
protected:
    static ZgTable drawn() {
        return buildFontTable(readAll(LUMETRA_SOURCE_DIR "/tools/fontgen/glyphs.txt"));
    }
};

TEST_F(StarterFont, TheShippedFileIsBuiltFromTheDrawing) {
    FontTables shipped;
    shipped.LoadZg(LUMETRA_SOURCE_DIR "/data/Guard.zg"); // also proves it is 2048 bytes
    EXPECT_TRUE(shipped.FontTable == drawn())
        << "data/Guard.zg is stale: run fontgen tools/fontgen/glyphs.txt data/Guard.zg";
}

TEST_F(StarterFont, EveryLetterDigitAndSignIsDrawnAndTheyAllDiffer) {
    const ZgTable t = drawn();
    std::vector<int> codes;
    for (int c = 33; c <= 126; ++c)
        codes.push_back(c);
    for (int c = 0xC0; c <= 0xFF; ++c) // А..я
        codes.push_back(c);
    codes.push_back(0xA8); // Ё
    codes.push_back(0xB8); // ё
    codes.push_back(0xB9); // №
    codes.push_back(0xAB); // «
    codes.push_back(0xBB); // »
    for (const int c : codes)
        EXPECT_GT(glyphWidth(t, c), 0) << "symbol " << c << " is empty";

    // Within one alphabet no two letters look alike.
    const auto distinct = [&](int from, int to, std::initializer_list<int> more = {}) {
        std::set<Symbol> seen;
        int count = 0;
        for (int c = from; c <= to; ++c, ++count)
            seen.insert(symbolOf(t, c));
        for (const int c : more) {
            seen.insert(symbolOf(t, c));
            ++count;
        }
        return static_cast<int>(seen.size()) == count;
    };
    EXPECT_TRUE(distinct(33, 126));
    EXPECT_TRUE(distinct(0xC0, 0xFF, {0xA8, 0xB8}));
    EXPECT_EQ(symbolOf(t, 0x20), Symbol{});
    EXPECT_EQ(symbolOf(t, 0xA0), Symbol{});
}

TEST_F(StarterFont, GlyphsStartInColumnZeroAndLeaveTheLastColumnBlank) {
    const ZgTable t = drawn();
    for (int n = 0; n < 256; ++n) {
        const Symbol s = symbolOf(t, n);
        if (s == Symbol{})
            continue;
        EXPECT_NE(s[0], 0) << "symbol " << n;
        EXPECT_EQ(s[7], 0) << "symbol " << n;
        if (n == 0x85) // the ellipsis is the one glyph with gaps
            continue;
        for (int c = 0; c < glyphWidth(t, n); ++c)
            EXPECT_NE(s[c], 0) << "gap in symbol " << n << " column " << c;
    }
    for (int n = 0; n < 32; ++n)
        EXPECT_EQ(symbolOf(t, n), Symbol{}) << n;
}

} // namespace
