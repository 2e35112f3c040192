#include "Psf.h"

#include "base/Cp1251.h"

#include "FontFit.h"

namespace fonttool {
namespace {

constexpr std::uint8_t Psf1Magic[] = {0x36, 0x04};
constexpr std::uint8_t Psf2Magic[] = {0x72, 0xB5, 0x4A, 0x86};
constexpr std::uint8_t Psf1Has512 = 0x01;
constexpr std::uint8_t Psf1HasTable = 0x02;
constexpr std::uint8_t Psf1HasSequences = 0x04;
constexpr std::uint32_t Psf2HasTable = 0x01;
constexpr std::size_t Psf2HeaderSize = 32;
// Far beyond any console font; stops a damaged header from asking for gigabytes.
constexpr std::uint32_t MaxDots = 256;
constexpr std::uint32_t MaxGlyphs = 65536;
// Room for 65,536 glyphs of 16 x 16 dots, a whole Unicode plane; each byte becomes eight dots
// in memory.
constexpr std::uint64_t MaxGlyphTable = 2u << 20;

class Reader {
public:
    Reader(std::span<const std::uint8_t> bytes, std::string file)
        : m_bytes(bytes), m_file(std::move(file)) {}

    [[noreturn]] void fail(const std::string& why) const { throw FontError(m_file + ": " + why); }

    std::uint32_t u32(std::size_t at) const {
        return m_bytes[at] | m_bytes[at + 1] << 8 | m_bytes[at + 2] << 16 |
               static_cast<std::uint32_t>(m_bytes[at + 3]) << 24;
    }

    // Rows of `rowBytes` bytes, the leftmost dot in the high bit of the first byte.
    Glyph glyphAt(std::size_t at, int width, int height, int rowBytes) const {
        Glyph g = blankGlyph(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (m_bytes[at + static_cast<std::size_t>(y * rowBytes + x / 8)] &
                    (0x80 >> (x % 8)))
                    g.set(x, y);
        return g;
    }

    void needGlyphs(std::size_t start, std::size_t count, std::size_t glyphBytes,
                    const std::string& kind) const {
        const std::size_t need = start + count * glyphBytes;
        if (m_bytes.size() < need) {
            const std::size_t inside =
                (m_bytes.size() - std::min(m_bytes.size(), start)) / glyphBytes;
            fail("the file ends inside glyph " + std::to_string(inside) + " (" + kind + " of " +
                 std::to_string(count) + " glyphs needs " + std::to_string(need) +
                 " bytes, the file has " + std::to_string(m_bytes.size()) + ")");
        }
    }

    std::span<const std::uint8_t> bytes() const { return m_bytes; }

private:
    std::span<const std::uint8_t> m_bytes;
    std::string m_file;
};

// PSF 1 holds at most 512 glyphs of 255 bytes; only a PSF 2 header can ask for too much.
void checkGlyphTable(const Reader& in) {
    const std::uint64_t count = in.u32(16);
    const std::uint64_t glyphBytes = in.u32(20);
    if (count * glyphBytes > MaxGlyphTable)
        in.fail("the PSF 2 header gives " + std::to_string(count) + " glyphs of " +
                std::to_string(glyphBytes) + " bytes, a glyph table of " +
                std::to_string(count * glyphBytes) + " bytes; no console font has more than " +
                std::to_string(MaxGlyphTable) + " (2 MiB)");
}

SourceGlyph numbered(std::size_t index, Glyph glyph) {
    SourceGlyph g;
    g.name = "glyph " + std::to_string(index);
    g.glyph = std::move(glyph);
    return g;
}

void takePositions(FontSource& font) {
    for (std::size_t i = 0; i < font.glyphs.size() && i < 256; ++i)
        font.glyphs[i].position = static_cast<int>(i);
    font.notes.push_back("the font has no Unicode table: glyph n is taken as symbol n");
}

FontSource readPsf1(const Reader& in) {
    const auto bytes = in.bytes();
    if (bytes.size() < 4)
        in.fail("the file ends inside the PSF 1 header");
    const std::uint8_t mode = bytes[2];
    const int height = bytes[3];
    if (height == 0)
        in.fail("the PSF 1 header gives glyphs 0 rows high");
    const std::size_t count = (mode & Psf1Has512) ? 512 : 256;
    in.needGlyphs(4, count, static_cast<std::size_t>(height), "a PSF 1 font");

    FontSource font;
    for (std::size_t i = 0; i < count; ++i)
        font.glyphs.push_back(
            numbered(i, in.glyphAt(4 + i * static_cast<std::size_t>(height), 8, height, 1)));
    if (!(mode & (Psf1HasTable | Psf1HasSequences))) {
        takePositions(font);
        return font;
    }
    std::size_t at = 4 + count * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count; ++i) {
        bool sequences = false;
        for (;;) {
            if (at + 2 > bytes.size())
                in.fail("the Unicode table ends inside the entry of glyph " + std::to_string(i));
            const char32_t value = bytes[at] | bytes[at + 1] << 8;
            at += 2;
            if (value == 0xFFFF)
                break;
            if (value == 0xFFFE)
                sequences = true;
            else if (!sequences)
                font.glyphs[i].chars.push_back(value);
        }
    }
    return font;
}

FontSource readPsf2(const Reader& in) {
    const auto bytes = in.bytes();
    if (bytes.size() < Psf2HeaderSize)
        in.fail("the file ends inside the PSF 2 header");
    const std::uint32_t headerSize = in.u32(8);
    const std::uint32_t flags = in.u32(12);
    const std::uint32_t count = in.u32(16);
    const std::uint32_t glyphBytes = in.u32(20);
    const std::uint32_t height = in.u32(24);
    const std::uint32_t width = in.u32(28);
    if (headerSize < Psf2HeaderSize || headerSize > bytes.size())
        in.fail("the PSF 2 header gives a header size of " + std::to_string(headerSize) + " bytes");
    if (width == 0 || height == 0 || width > MaxDots || height > MaxDots)
        in.fail("the PSF 2 header gives glyphs of " + std::to_string(width) + " x " +
                std::to_string(height) + " dots");
    const std::uint32_t rowBytes = (width + 7) / 8;
    if (glyphBytes != rowBytes * height)
        in.fail("the PSF 2 header gives " + std::to_string(glyphBytes) + " bytes a glyph, but " +
                std::to_string(width) + " x " + std::to_string(height) + " dots take " +
                std::to_string(rowBytes * height));
    if (count == 0 || count > MaxGlyphs)
        in.fail("the PSF 2 header gives " + std::to_string(count) + " glyphs");
    checkGlyphTable(in);
    in.needGlyphs(headerSize, count, glyphBytes, "a PSF 2 font");

    FontSource font;
    for (std::size_t i = 0; i < count; ++i)
        font.glyphs.push_back(
            numbered(i, in.glyphAt(headerSize + i * glyphBytes, static_cast<int>(width),
                                   static_cast<int>(height), static_cast<int>(rowBytes))));
    if (!(flags & Psf2HasTable)) {
        takePositions(font);
        return font;
    }
    std::size_t at = headerSize + std::size_t{count} * glyphBytes;
    for (std::size_t i = 0; i < count; ++i) {
        std::string utf8;
        bool sequences = false;
        const auto flush = [&] {
            const auto chars = cp1251::decodeUtf8(utf8);
            if (!chars)
                in.fail("the Unicode table has a broken UTF-8 character for glyph " +
                        std::to_string(i));
            if (!sequences)
                font.glyphs[i].chars.insert(font.glyphs[i].chars.end(), chars->begin(),
                                            chars->end());
            utf8.clear();
        };
        for (;;) {
            if (at >= bytes.size())
                in.fail("the Unicode table ends inside the entry of glyph " + std::to_string(i));
            const std::uint8_t b = bytes[at++];
            if (b == 0xFF || b == 0xFE) {
                flush();
                if (b == 0xFF)
                    break;
                sequences = true;
            } else {
                utf8.push_back(static_cast<char>(b));
            }
        }
    }
    return font;
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

} // namespace

bool looksLikePsf(std::span<const std::uint8_t> bytes) {
    return (bytes.size() >= 2 &&
            std::equal(std::begin(Psf1Magic), std::end(Psf1Magic), bytes.begin())) ||
           (bytes.size() >= 4 &&
            std::equal(std::begin(Psf2Magic), std::end(Psf2Magic), bytes.begin()));
}

FontSource readPsf(std::span<const std::uint8_t> bytes, const std::string& file) {
    const Reader in(bytes, file);
    if (bytes.size() >= 4 && std::equal(std::begin(Psf2Magic), std::end(Psf2Magic), bytes.begin()))
        return readPsf2(in);
    if (bytes.size() >= 2 && std::equal(std::begin(Psf1Magic), std::end(Psf1Magic), bytes.begin()))
        return readPsf1(in);
    in.fail("not a PSF font (no PSF 1 or PSF 2 magic number at its start)");
}

void checkPsfSize(std::span<const std::uint8_t> start, const std::string& file) {
    if (start.size() >= 24 && std::equal(std::begin(Psf2Magic), std::end(Psf2Magic), start.begin()))
        checkGlyphTable(Reader(start, file));
}

std::vector<std::uint8_t> writePsf2(const Table& table) {
    std::vector<std::uint8_t> out(std::begin(Psf2Magic), std::end(Psf2Magic));
    for (const std::uint32_t v :
         {0u, std::uint32_t{Psf2HeaderSize}, Psf2HasTable, 256u, 8u, 8u, 8u})
        put32(out, v);
    for (int code = 0; code < 256; ++code)
        for (int row = 0; row < 8; ++row) {
            std::uint8_t bits = 0;
            for (int col = 0; col < 8; ++col)
                if (table[static_cast<std::size_t>(8 * code + col)] & (1u << row))
                    bits = static_cast<std::uint8_t>(bits | (0x80u >> col));
            out.push_back(bits);
        }
    for (int code = 0; code < 256; ++code) {
        const std::string utf8 = encodeUtf8(unicodeOf(code));
        out.insert(out.end(), utf8.begin(), utf8.end());
        out.push_back(0xFF);
    }
    return out;
}

} // namespace fonttool
