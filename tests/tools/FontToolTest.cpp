// lumetra-font: round trips through every format, a real Debian console font, damaged and
// partial sources, and the promise never to replace a file without --force.

#include "FontTool.h"
#include "TempDir.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

namespace {

std::string bdf(const std::string& glyphs, int count) {
    return "STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 0 -1\nSTARTPROPERTIES 2\nCHARSET_REGISTRY "
           "\"ISO10646\"\nCHARSET_ENCODING \"1\"\nENDPROPERTIES\nCHARS " +
           std::to_string(count) + "\n" + glyphs;
}

// Lit in rows 1 and 8 of its cell: one row too tall for the sign.
const std::string TallGlyph =
    "STARTCHAR tall\nENCODING 66\nBBX 1 9 0 -2\nBITMAP\n00\n80\n00\n00\n00\n00\n00\n00\n80\n"
    "ENDCHAR\nENDFONT\n";

// "A" (U+0041) and Cyrillic "Б" (U+0411), each one row lit.
const std::string TwoGlyphs = "STARTCHAR A\nENCODING 65\nBBX 8 8 0 -1\nBITMAP\n"
                              "80\n00\n00\n00\n00\n00\n00\n00\nENDCHAR\n"
                              "STARTCHAR Be\nENCODING 1041\nBBX 2 1 6 -1\nBITMAP\nC0\nENDCHAR\n";

std::string png(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data.toStdString();
}

std::string psf2Header(std::uint32_t glyphBytes, std::uint32_t flags, std::uint32_t count = 256,
                       std::uint32_t side = 8) {
    std::string h = "\x72\xB5\x4A\x86";
    for (const std::uint32_t v : {0u, 32u, flags, count, glyphBytes, side, side})
        for (int i = 0; i < 4; ++i)
            h.push_back(static_cast<char>(v >> (8 * i)));
    return h;
}

class FontToolTest : public ::testing::Test {
protected:
    int run(const std::vector<std::string>& args) {
        std::ostringstream out, err;
        const int status = fonttool::runFontTool(args, out, err);
        m_out = out.str();
        m_err = err.str();
        return status;
    }
    std::string path(const std::string& name) const { return m_dir.path(name); }
    bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }
    std::string font(const std::string& name) const { return m_dir.read(name); }
    std::string symbol(const std::string& name, int code) const {
        return font(name).substr(8 * code, 8);
    }

    TempDir m_dir;
    std::string m_out, m_err;
};

TEST_F(FontToolTest, ExportedFontsComeBackByteForByte) {
    // The starter font, with symbols 0..31 and a fully lit symbol that no font of ours draws.
    std::ifstream guard(LUMETRA_SOURCE_DIR "/data/Guard.zg", std::ios::binary);
    std::string zg((std::istreambuf_iterator<char>(guard)), std::istreambuf_iterator<char>());
    ASSERT_EQ(zg.size(), 2048u);
    for (int i = 0; i < 256; ++i)
        zg[static_cast<std::size_t>(i)] = static_cast<char>(i * 37 + 11);
    zg.replace(8 * 0x98, 8, 8, '\xFF');
    m_dir.write("in.zg", zg);
    const std::vector<std::vector<std::string>> exports = {
        {"font.bdf"},
        {"font.psf.gz"},
        {"font.psf"},
        {"font.yaff"},
        {"font.hex"},
        {"plain.png", "--scale", "1", "--no-grid"},
        {"grid.png", "--scale", "3"}};
    for (const auto& e : exports) {
        SCOPED_TRACE(e[0]);
        std::vector<std::string> args = {"export", path("in.zg"), path(e[0])};
        args.insert(args.end(), e.begin() + 1, e.end());
        ASSERT_EQ(run(args), 0) << m_err;
        ASSERT_EQ(run({"import", path(e[0]), path(e[0] + ".zg")}), 0) << m_err;
        EXPECT_EQ(font(e[0] + ".zg"), zg);
        EXPECT_EQ(m_out.find("not in the source"), std::string::npos) << m_out;
    }
}

// The column bytes of the glyph for `ch` in a gzipped 8 x 8 PSF 1 font, read by hand: one byte
// a row with the leftmost dot in the high bit, then the Unicode table of 16-bit entries per
// glyph, 0xFFFE starting its sequences and 0xFFFF ending it. Empty when not found.
std::string symbolInPsf1(const std::string& file, char32_t ch) {
    gzFile gz = gzopen(file.c_str(), "rb");
    if (!gz)
        return {};
    std::string psf;
    char buffer[4096];
    for (int n; (n = gzread(gz, buffer, sizeof buffer)) > 0;)
        psf.append(buffer, static_cast<std::size_t>(n));
    gzclose(gz);
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(psf.at(i)); };
    if (byte(0) != 0x36 || byte(1) != 0x04 || byte(3) != 8)
        return {};
    const std::size_t glyphs = (byte(2) & 1) ? 512 : 256;
    std::size_t at = 4 + 8 * glyphs, glyph = 0;
    bool sequences = false;
    while (glyph < glyphs) {
        const unsigned value = byte(at) | byte(at + 1) << 8;
        at += 2;
        if (value == 0xFFFF) {
            ++glyph;
            sequences = false;
        } else if (value == 0xFFFE) {
            sequences = true;
        } else if (value == ch && !sequences) {
            std::string columns(8, '\0');
            for (int row = 0; row < 8; ++row)
                for (int col = 0; col < 8; ++col)
                    if (byte(4 + 8 * glyph + static_cast<std::size_t>(row)) & (0x80 >> col))
                        columns[static_cast<std::size_t>(col)] |= static_cast<char>(1 << row);
            return columns;
        }
    }
    return {};
}

TEST_F(FontToolTest, DebianConsoleFontsGiveTheirCyrillicLetters) {
    // scripts/lib.sh installs console-setup-linux. The second font has 512 glyphs.
    const struct {
        const char* file;
        char32_t ch;
        int code;
    } cases[] = {{"CyrSlav-VGA8.psf.gz", 0x0410, 0xC0}, {"FullCyrSlav-VGA8.psf.gz", 0x041F, 0xCF}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = std::string("/usr/share/consolefonts/") + c.file;
        const std::string expected = symbolInPsf1(file, c.ch);
        ASSERT_EQ(expected.size(), 8u) << "no glyph for the letter in " << file;
        ASSERT_NE(expected, std::string(8, '\0'));
        ASSERT_EQ(run({"import", file, path(c.file) + ".zg"}), 0) << m_err;
        EXPECT_EQ(symbol(std::string(c.file) + ".zg", c.code), expected);
        EXPECT_NE(symbol(std::string(c.file) + ".zg", 'A'), std::string(8, '\0'));
    }
}

TEST_F(FontToolTest, GlyphsTheSourceLacksAreListedAndLeftAlone) {
    m_dir.write("two.bdf", bdf(TwoGlyphs, 2) + "ENDFONT\n");
    ASSERT_EQ(run({"import", path("two.bdf"), path("two.zg")}), 0) << m_err;
    EXPECT_EQ(symbol("two.zg", 'A'), std::string("\x01\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(symbol("two.zg", 0xC1), std::string("\0\0\0\0\0\0\x80\x80", 8));
    EXPECT_NE(m_out.find("222 symbols not in the source, left blank: 32 U+0020, 33 U+0021 !"),
              std::string::npos)
        << m_out;
    EXPECT_NE(m_out.find("192 U+0410 А, 194 U+0412 В"), std::string::npos) << m_out;

    // A PSF 2 table may list U+FFFD; only broken UTF-8 is refused.
    std::string psf = psf2Header(8, 1) + std::string(8, '\x80') + std::string(255 * 8, '\0') +
                      "\xEF\xBF\xBD"
                      "A\xFF" +
                      std::string(255, '\xFF');
    m_dir.write("fffd.psf", psf);
    ASSERT_EQ(run({"import", path("fffd.psf"), path("fffd.zg")}), 0) << m_err;
    EXPECT_EQ(symbol("fffd.zg", 'A'), std::string("\xFF\0\0\0\0\0\0\0", 8));

    // --into keeps the rest of the base font; --left moves Б to the leftmost column.
    m_dir.write("base.zg", std::string(2048, '\x55'));
    ASSERT_EQ(run({"import", path("two.bdf"), "--into", path("base.zg"), "--left"}), 0) << m_err;
    EXPECT_EQ(symbol("base.zg", 0xC1), std::string("\x80\x80\0\0\0\0\0\0", 8));
    EXPECT_EQ(symbol("base.zg", 'B'), std::string(8, '\x55'));
    EXPECT_NE(m_out.find("left as they were"), std::string::npos);
}

TEST_F(FontToolTest, DamagedSourcesAreRefusedAndNothingIsWritten) {
    const std::string glyphs(2048, '\x18');
    const std::string psf1 =
        std::string("\x36\x04\x02\x08", 4) + glyphs + std::string("A\0\xFF\xFF\0", 5);
    gzFile gz = gzopen(path("whole.psf.gz").c_str(), "wb");
    gzwrite(gz, psf1.data(), static_cast<unsigned>(psf1.size()));
    gzclose(gz);
    const std::string packed = font("whole.psf.gz");
    // Refused before it is unpacked: the glyph table alone would take half a gigabyte.
    std::string huge = psf2Header(8192, 0, 65536, 256);
    huge.resize(8u << 20);
    gz = gzopen(path("huge.psf.gz").c_str(), "wb");
    gzwrite(gz, huge.data(), static_cast<unsigned>(huge.size()));
    gzclose(gz);
    struct Case {
        const char* name;
        std::string bytes;
        const char* why;
    };
    const std::vector<Case> cases = {
        {"short.psf", std::string("\x36\x04\x00\x08", 4) + std::string(100, '\0'),
         "short.psf: the file ends inside glyph 12"},
        {"table.psf", psf1, "the Unicode table ends inside the entry of glyph 1"},
        {"size.psf", psf2Header(9, 0) + glyphs, "gives 9 bytes a glyph, but 8 x 8 dots take 8"},
        {"utf8.psf", psf2Header(8, 1) + glyphs + "\xC3\xFF", "broken UTF-8 character for glyph 0"},
        {"cut.psf.gz", packed.substr(0, packed.size() / 2), "cut.psf.gz: damaged gzip data"},
        {"huge.psf.gz", font("huge.psf.gz"),
         "huge.psf.gz: the PSF 2 header gives 65536 glyphs of 8192 bytes, a glyph table of "
         "536870912 bytes; no console font has more than 2097152"},
        {"end.bdf", bdf(TwoGlyphs, 2), "end.bdf:26: the file ends before ENDFONT"},
        {"hex.bdf", bdf("STARTCHAR x\nENCODING 65\nBBX 8 1 0 0\nBITMAP\nZZ\nENDCHAR\nENDFONT\n", 1),
         "hex.bdf:12: bitmap row 0 of glyph \"x\" (line 8) is not 2 hex digits"},
        {"rows.bdf",
         bdf("STARTCHAR x\nENCODING 65\nBBX 8 2 0 0\nBITMAP\nFF\nENDCHAR\nENDFONT\n", 1),
         "has 1 bitmap rows, its BBX says 2"},
        {"count.bdf", bdf(TwoGlyphs, 3) + "ENDFONT\n", "lacks 1 of the glyphs its CHARS line"},
        {"koi.bdf",
         "STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 0 0\nCHARSET_REGISTRY \"KOI8\"\nCHARSET_ENCODING "
         "\"R\"\nCHARS 0\nENDFONT\n",
         "encoded in koi8-r"},
        {"tall.bdf", bdf(TallGlyph, 1),
         "1 glyph has lit dots outside the sign's 8 x 8 window (columns 0..7, rows 0..7 of the "
         "source's "
         "cell): \"tall\" (line 8) for symbol 66 (U+0042 B)"},
        {"text.txt", "hello", "not a font lumetra-font reads"},
        {"rows.yaff", "u+0041:\n    .@.\n    .@\n", "rows.yaff:3: the rows of glyph \"u+0041\""},
        {"ink.yaff", "u+0041:\n    .@.\n    .#.\n",
         "ink.yaff:3: glyph \"u+0041\" (line 1) has a row"},
        {"orphan.yaff", "u+0041:\n    @\nname: x\n    ..@\n",
         "orphan.yaff:4: an indented line with no label"},
        {"short.hex", "0041:0000\n", "short.hex:1: the bitmap of U+0041 is not 32 or 64 hex"},
        {"far.hex", "0041:" + std::string(32, '0') + "\n110000:" + std::string(32, '0') + "\n",
         "far.hex:2: code point 110000 is beyond Unicode"},
        {"small.png", png(100),
         "small.png: a font sheet is 16 x 16 cells of 8 x 8 dots, 128 x 128 "
         "pixels or a multiple of that, plus 17 pixels with one-pixel grid "
         "lines; this picture is 100 x 100"},
        {"broken.png", png(128).substr(0, 60), "broken.png: the picture cannot be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_dir.write(c.name, c.bytes);
        EXPECT_EQ(run({"import", path(c.name), path("out.zg")}), 1);
        EXPECT_NE(m_err.find(c.why), std::string::npos) << m_err;
        EXPECT_FALSE(exists("out.zg"));
    }
}

TEST_F(FontToolTest, YaffAndHexFromElsewhereGiveTheirCharacters) {
    // As monobit writes a console font: Unicode labels beside codepoints of another code page
    // (taken by character, not by code), a tag, a raised glyph and an empty one.
    m_dir.write("cp437.yaff", "# a comment\nname: Test\nencoding: cp437\nnotice:\n    Free.\n"
                              "\n0x41:\nu+0041:\nlatin_a:\n    @.\n    .@\n\n"
                              "0x8E:\n'Ä':\n    @@\n\n    shift-up: 2\n\n"
                              "0x80:\nu+0411:\n    -\n");
    ASSERT_EQ(run({"import", path("cp437.yaff"), path("yaff.zg")}), 0) << m_err;
    // The raised Ä sets the cell's top: A stands one row lower.
    EXPECT_EQ(symbol("yaff.zg", 'A'), std::string("\x02\x04\0\0\0\0\0\0", 8));
    EXPECT_EQ(symbol("yaff.zg", 0xC4), std::string(8, '\0')); // Ä is no Windows-1251 letter
    EXPECT_EQ(symbol("yaff.zg", 0x8E), std::string(8, '\0'));
    EXPECT_EQ(m_out.find("192 U+0410 А, 193"), std::string::npos) << m_out; // Б was there
    // Codepoints alone: the glyph labelled n is symbol n.
    m_dir.write("codes.yaff", "0xC1:\n    @@@\n");
    ASSERT_EQ(run({"import", path("codes.yaff"), path("codes.zg")}), 0) << m_err;
    EXPECT_EQ(symbol("codes.zg", 0xC1), std::string("\x01\x01\x01\0\0\0\0\0", 8));
    EXPECT_NE(m_out.find("note: the font has no Unicode labels"), std::string::npos) << m_out;

    // A Unifont line: 16 rows, the sign's 8 from row 7 unless --window says otherwise.
    std::string bits(32, '0');
    bits.replace(2 * 7, 2, "80");  // row 7: the top row of the symbol
    bits.replace(2 * 14, 2, "01"); // row 14: its bottom row
    bits.replace(2 * 3, 2, "FF");  // row 3: above the window
    m_dir.write("uni.hex", "0416:" + bits + "\n0041:" + std::string(64, '0') + "\n");
    EXPECT_EQ(run({"import", path("uni.hex"), path("uni.zg")}), 1);
    EXPECT_NE(m_err.find("U+0416 (line 1) for symbol 198"), std::string::npos) << m_err;
    ASSERT_EQ(run({"import", path("uni.hex"), path("uni.zg"), "--crop"}), 0) << m_err;
    EXPECT_EQ(symbol("uni.zg", 0xC6), std::string("\x01\0\0\0\0\0\0\x80", 8));
    ASSERT_EQ(run({"import", path("uni.hex"), path("top.zg"), "--window", "0,0", "--crop"}), 0);
    EXPECT_EQ(symbol("top.zg", 0xC6), "\x88" + std::string(7, '\x08'));
}

TEST_F(FontToolTest, WindowCropAndColourChooseTheDots) {
    m_dir.write("tall.bdf", bdf(TallGlyph, 1));
    ASSERT_EQ(run({"import", path("tall.bdf"), path("moved.zg"), "--window", "0,1"}), 0) << m_err;
    EXPECT_EQ(symbol("moved.zg", 'B'), std::string("\x81\0\0\0\0\0\0\0", 8));
    ASSERT_EQ(run({"import", path("tall.bdf"), path("cut.zg"), "--crop"}), 0) << m_err;
    EXPECT_EQ(symbol("cut.zg", 'B'), std::string("\x02\0\0\0\0\0\0\0", 8));
    EXPECT_NE(m_err.find("cut to the window: \"tall\""), std::string::npos) << m_err;

    // Only dots of the chosen colour are lit: the black ones, not the white ones or the grid.
    m_dir.write("in.zg", std::string(8 * 'A', '\0') + "\x81" + std::string(2047 - 8 * 'A', '\0'));
    ASSERT_EQ(run({"export", path("in.zg"), path("sheet.png"), "--scale", "2"}), 0);
    // "A" is cell (1, 4): past a grid line and one cell of 16 pixels and a line, and four rows.
    const QImage sheet(QString::fromStdString(path("sheet.png")));
    EXPECT_EQ(sheet.size(), QSize(273, 273));
    EXPECT_EQ(sheet.pixel(18, 69), qRgb(0, 0, 0));
    EXPECT_EQ(sheet.pixel(19, 84), qRgb(0, 0, 0));
    EXPECT_EQ(sheet.pixel(20, 69), qRgb(255, 255, 255));
    ASSERT_EQ(run({"import", path("sheet.png"), path("black.zg"), "--lit-colour", "#000000"}), 0)
        << m_err;
    EXPECT_EQ(font("black.zg"), font("in.zg"));
    ASSERT_EQ(run({"import", path("sheet.png"), path("red.zg"), "--lit-colour", "FF0000"}), 0);
    EXPECT_EQ(font("red.zg"), std::string(2048, '\0'));
}

TEST_F(FontToolTest, NothingIsReplacedWithoutForce) {
    m_dir.write("in.zg", std::string(2048, '\x01'));
    m_dir.write("two.bdf", bdf(TwoGlyphs, 2) + "ENDFONT\n");
    for (const std::string out : {"old.zg", "old.bdf"}) {
        m_dir.write(out, "keep");
        const std::vector<std::string> args =
            out == "old.zg" ? std::vector<std::string>{"import", path("two.bdf"), path(out)}
                            : std::vector<std::string>{"export", path("in.zg"), path(out)};
        EXPECT_EQ(run(args), 1);
        EXPECT_NE(m_err.find(out + ": the file exists; add --force to replace it"),
                  std::string::npos)
            << m_err;
        EXPECT_EQ(font(out), "keep");
        std::vector<std::string> forced = args;
        forced.push_back("--force");
        EXPECT_EQ(run(forced), 0) << m_err;
        EXPECT_NE(font(out), "keep");
    }
}

TEST_F(FontToolTest, SourcesWithoutUnicodeGoPositionForPosition) {
    // PSF 1 without a table, glyph n lit in column n % 8; a Windows-1251 BDF, gzipped.
    std::string psf = std::string("\x36\x04\x00\x08", 4);
    for (int n = 0; n < 256; ++n)
        psf += std::string(8, static_cast<char>(0x80 >> (n % 8)));
    m_dir.write("plain.psf", psf);
    ASSERT_EQ(run({"import", path("plain.psf"), path("plain.zg")}), 0) << m_err;
    EXPECT_EQ(symbol("plain.zg", 0xC3), std::string("\0\0\0\xFF\0\0\0\0", 8));
    EXPECT_NE(m_out.find("note: the font has no Unicode table"), std::string::npos) << m_out;
    EXPECT_EQ(m_out.find("not in the source"), std::string::npos) << m_out;

    const std::string cp1251 =
        "STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 0 0\nCHARSET_REGISTRY \"microsoft\"\n"
        "CHARSET_ENCODING \"cp1251\"\nCHARS 1\nSTARTCHAR Ya\nENCODING 255\n"
        "BBX 1 1 0 7\nBITMAP\n80\nENDCHAR\nENDFONT\n";
    gzFile gz = gzopen(path("ya.bdf.gz").c_str(), "wb");
    gzwrite(gz, cp1251.data(), static_cast<unsigned>(cp1251.size()));
    gzclose(gz);
    ASSERT_EQ(run({"import", path("ya.bdf.gz"), path("ya.zg")}), 0) << m_err;
    EXPECT_EQ(symbol("ya.zg", 0xFF), std::string("\x01\0\0\0\0\0\0\0", 8));
}

TEST_F(FontToolTest, MisusesAndFileFailuresSayWhatAndWhy) {
    m_dir.write("in.zg", std::string(2048, '\0'));
    m_dir.write("two.bdf", bdf(TwoGlyphs, 2) + "ENDFONT\n");
    const std::string psf = std::string("\x36\x04\x00\x08", 4) + std::string(2048, '\x18');
    m_dir.write("cyr.psf", psf);
    m_dir.write("photo.jpg", std::string(10000, '\x7F'));
    std::filesystem::create_symlink(path("cyr.psf"), path("link.zg"));
    const struct {
        std::vector<std::string> args;
        int status;
        std::string why;
    } cases[] = {
        {{}, 2, "no command given"},
        {{"convert"}, 2, "unknown command convert"},
        {{"import", path("two.bdf")}, 2, "import takes SOURCE and OUT.zg (or --into EXISTING.zg)"},
        {{"import", path("two.bdf"), path("o.zg"), "--window", "1"}, 2, "--window takes COL,ROW"},
        {{"import", path("two.bdf"), path("o.zg"), "--bold"}, 2, "unknown option --bold"},
        {{"import", "--family", "DejaVu Sans", "--pixel-size", "99", path("o.zg")},
         2,
         "--pixel-size takes a whole number from 4 to 64, not \"99\""},
        {{"export", path("in.zg"), path("o.ttf")},
         2,
         "the name must end in .png, .bdf, .psf, .yaff or .hex"},
        {{"export", path("in.zg"), path("o.yaff.gz")}, 2, "o.yaff.gz: the name must end in"},
        {{"export", path("in.zg"), path("o.png.gz")}, 2, "o.png.gz: the name must end in"},
        {{"export", path("in.zg"), path("o.png"), "--scale"}, 2, "--scale needs a value"},
        {{"import", path("two.bdf"), "--into", path("none.zg")},
         1,
         "none.zg: cannot load the font: File not found"},
        {{"import", path("nothing.psf"), path("o.zg")},
         1,
         "nothing.psf: cannot read it: No such file"},
        {{"export", path("in.zg"), path("no/such/o.bdf")},
         1,
         "o.bdf: cannot write it: No such file"},
        {{"show", path("in.zg"), "\xC0"}, 1, "the characters to show are not UTF-8 text"},
        // An unset shell variable gives an empty value: never taken for "none".
        {{"import", path("two.bdf"), "--into", ""},
         2,
         "--into needs a value, and the one given is empty"},
        {{"import", "--family", "", path("o.zg")}, 2, "--family needs a value, and the one"},
        // The system's text alone does not say why.
        {{"import", path("pipe"), path("o.zg")},
         1,
         "pipe: cannot read it: Invalid argument (it is a FIFO, not a regular file)"},
        {{"import", path("two.bdf"), "--into", path("pipe")},
         1,
         "pipe: cannot load the font: I/O error 22 (it is a FIFO, not a regular file)"},
        // --into takes only a font; the input is never written over, --force or not.
        {{"import", path("two.bdf"), "--into", path("photo.jpg")},
         1,
         "photo.jpg: 10000 bytes, not a 2048-byte"},
        {{"import", path("cyr.psf"), "--into", path("cyr.psf"), "--force"},
         1,
         "cyr.psf: this is the input"},
        {{"import", path("cyr.psf"), path("link.zg"), "--force"}, 1, "link.zg: this is the input"},
    };
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(run(c.args), c.status);
        EXPECT_EQ(m_err.rfind("lumetra-font: ", 0), 0u) << m_err;
        EXPECT_NE(m_err.find(c.why), std::string::npos) << m_err;
        EXPECT_EQ(m_err.find("usage:") != std::string::npos, c.status == 2);
        EXPECT_FALSE(exists("o.zg"));
        EXPECT_EQ(font("cyr.psf"), psf);
        EXPECT_EQ(font("photo.jpg"), std::string(10000, '\x7F'));
    }
    ASSERT_EQ(run({"import", path("two.bdf"), "--into", path("photo.jpg"), "--force"}), 0);
    EXPECT_EQ(font("photo.jpg").size(), 2048u);
}

TEST_F(FontToolTest, InstalledFamilyIsDrawnThroughQt) {
    ASSERT_EQ(run({"import", "--family", "DejaVu Sans Mono", "--pixel-size", "8", path("dv.zg"),
                   "--crop"}),
              0)
        << m_err;
    EXPECT_EQ(symbol("dv.zg", ' '), std::string(8, '\0'));
    EXPECT_NE(symbol("dv.zg", 'H'), std::string(8, '\0'));
    EXPECT_EQ(symbol("dv.zg", 0xC0), symbol("dv.zg", 'A')); // the family draws А as A
    // Both stems of "П" stand on whole dots, none lost between two.
    int stems = 0;
    for (const char column : symbol("dv.zg", 0xCF))
        stems += std::popcount(static_cast<std::uint8_t>(column)) >= 5;
    EXPECT_EQ(stems, 2);
    EXPECT_EQ(run({"import", "--family", "No Such Family", path("none.zg")}), 1);
    EXPECT_NE(m_err.find("no installed font family \"No Such Family\""), std::string::npos);
}

TEST_F(FontToolTest, ShowDrawsTheSymbolsAsText) {
    std::string zg(2048, '\0');
    zg[8 * 0xC0] = '\x81';
    zg[8 * 0xC0 + 7] = '\x01';
    m_dir.write("in.zg", zg);
    ASSERT_EQ(run({"show", path("in.zg"), "А "}), 0) << m_err;
    std::string art = "192 А     32\n#......#  ........\n";
    for (int row = 1; row < 7; ++row)
        art += "........  ........\n";
    EXPECT_EQ(m_out, art + "#.......  ........\n");
    EXPECT_EQ(run({"show", path("in.zg"), "✓"}), 1);
    EXPECT_NE(m_err.find("U+2713 ✓ has no symbol"), std::string::npos) << m_err;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
