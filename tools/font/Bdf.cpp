#include "Bdf.h"

#include "FontFit.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

namespace fonttool {
namespace {

constexpr int MaxDots = 256;

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string unquote(std::string s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        return s.substr(1, s.size() - 2);
    return s;
}

class Parser {
public:
    Parser(const std::string& text, std::string file) : m_in(text), m_file(std::move(file)) {}

    [[noreturn]] void fail(const std::string& why) const {
        throw FontError(m_file + ":" + std::to_string(m_line) + ": " + why);
    }

    // The next line's keyword, the rest in m_args; false at the end of the text.
    bool next() {
        std::string line;
        while (std::getline(m_in, line)) {
            ++m_line;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::istringstream words(line);
            m_keyword.clear();
            words >> m_keyword;
            if (m_keyword.empty() || m_keyword == "COMMENT")
                continue;
            m_rest.clear();
            std::getline(words >> std::ws, m_rest);
            return true;
        }
        return false;
    }

    std::vector<int> numbers(std::size_t count) const {
        std::istringstream words(m_rest);
        std::vector<int> out;
        long v = 0;
        while (words >> v) {
            if (v < -100000 || v > 100000)
                fail(m_keyword + " has a number out of range");
            out.push_back(static_cast<int>(v));
        }
        if (out.size() < count || !words.eof())
            fail(m_keyword + " needs " + std::to_string(count) + " whole numbers, not \"" + m_rest +
                 "\"");
        return out;
    }

    const std::string& keyword() const { return m_keyword; }
    int line() const { return m_line; }
    const std::string& rest() const { return m_rest; }

private:
    std::istringstream m_in;
    std::string m_file;
    int m_line = 0;
    std::string m_keyword;
    std::string m_rest;
};

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

struct Box {
    int width = 0, height = 0, x = 0, y = 0;
};

Box boxOf(const Parser& in) {
    const auto v = in.numbers(4);
    if (v[0] < 0 || v[1] < 0 || v[0] > MaxDots || v[1] > MaxDots)
        in.fail(in.keyword() + " gives " + std::to_string(v[0]) + " x " + std::to_string(v[1]) +
                " dots");
    return {v[0], v[1], v[2], v[3]};
}

} // namespace

bool looksLikeBdf(const std::string& text) {
    const auto start = text.find_first_not_of(" \t\r\n");
    return start != std::string::npos && text.compare(start, 9, "STARTFONT") == 0;
}

FontSource readBdf(const std::string& text, const std::string& file) {
    Parser in(text, file);
    if (!in.next() || in.keyword() != "STARTFONT")
        in.fail("not a BDF font (it does not begin with STARTFONT)");

    FontSource font;
    Box fontBox;
    bool haveBox = false;
    std::string registry, encoding;
    int declared = -1;
    bool ended = false;
    while (!ended && in.next()) {
        const std::string& k = in.keyword();
        if (k == "FONTBOUNDINGBOX") {
            fontBox = boxOf(in);
            haveBox = true;
        } else if (k == "CHARSET_REGISTRY") {
            registry = lower(unquote(in.rest()));
        } else if (k == "CHARSET_ENCODING") {
            encoding = lower(unquote(in.rest()));
        } else if (k == "CHARS") {
            declared = in.numbers(1)[0];
        } else if (k == "ENDFONT") {
            ended = true;
        } else if (k == "STARTCHAR") {
            if (!haveBox)
                in.fail("STARTCHAR before FONTBOUNDINGBOX");
            SourceGlyph g;
            g.name = "\"" + in.rest() + "\" (line " + std::to_string(in.line()) + ")";
            int code = -1;
            bool haveCode = false;
            Box box;
            bool haveBbx = false;
            while (in.next() && in.keyword() != "BITMAP") {
                if (in.keyword() == "ENCODING") {
                    code = in.numbers(1)[0];
                    haveCode = true;
                } else if (in.keyword() == "BBX") {
                    box = boxOf(in);
                    haveBbx = true;
                } else if (in.keyword() == "ENDCHAR" || in.keyword() == "STARTCHAR" ||
                           in.keyword() == "ENDFONT") {
                    in.fail("glyph " + g.name + " has no BITMAP");
                }
            }
            if (in.keyword() != "BITMAP")
                in.fail("the file ends inside glyph " + g.name);
            if (!haveCode)
                in.fail("glyph " + g.name + " has no ENCODING");
            if (!haveBbx)
                in.fail("glyph " + g.name + " has no BBX");
            g.glyph = blankGlyph(box.width, box.height, box.x - fontBox.x,
                                 (fontBox.y + fontBox.height) - (box.y + box.height));
            const int digits = (box.width + 7) / 8 * 2;
            for (int y = 0; y < box.height; ++y) {
                if (!in.next())
                    in.fail("the file ends inside the bitmap of glyph " + g.name);
                const std::string& row = in.keyword();
                if (row == "ENDCHAR")
                    in.fail("glyph " + g.name + " has " + std::to_string(y) +
                            " bitmap rows, its BBX says " + std::to_string(box.height));
                if (static_cast<int>(row.size()) < digits || !in.rest().empty() ||
                    std::any_of(row.begin(), row.end(), [](char c) { return hexDigit(c) < 0; }))
                    in.fail("bitmap row " + std::to_string(y) + " of glyph " + g.name + " is not " +
                            std::to_string(digits) + " hex digits: \"" + row + "\"");
                for (int x = 0; x < box.width; ++x)
                    if (hexDigit(row[static_cast<std::size_t>(x / 4)]) & (8 >> (x % 4)))
                        g.glyph.set(x, y);
            }
            if (!in.next() || in.keyword() != "ENDCHAR")
                in.fail("glyph " + g.name +
                        " has more bitmap rows than its BBX says, or no ENDCHAR");
            if (code >= 0) {
                g.chars.push_back(static_cast<char32_t>(code));
                font.glyphs.push_back(std::move(g));
            }
            --declared;
        }
    }
    if (!ended)
        in.fail("the file ends before ENDFONT");
    if (declared > 0)
        in.fail("the font lacks " + std::to_string(declared) +
                " of the glyphs its CHARS line announces");

    const std::string charset = registry + "-" + encoding;
    if (registry.empty()) {
        font.notes.push_back(
            "the font names no CHARSET_REGISTRY: its encodings are taken as Unicode");
    } else if (charset == "microsoft-cp1251" || charset == "windows-1251" ||
               charset == "cp1251-0") {
        for (SourceGlyph& g : font.glyphs) {
            if (g.chars.front() < 256)
                g.position = static_cast<int>(g.chars.front());
            g.chars.clear();
        }
    } else if (registry != "iso10646" && charset != "iso8859-1") {
        throw FontError(
            file + ": the font is encoded in " + charset +
            "; lumetra-font reads ISO10646 (Unicode), ISO8859-1 and microsoft-cp1251 fonts");
    }
    return font;
}

std::string writeBdf(const Table& table, const std::string& name) {
    std::string out = "STARTFONT 2.1\n"
                      "COMMENT made by lumetra-font from " +
                      name +
                      "\n"
                      "FONT -lumetra-" +
                      name +
                      "-medium-r-normal--8-80-75-75-c-80-iso10646-1\n"
                      "SIZE 8 75 75\n"
                      "FONTBOUNDINGBOX 8 8 0 -1\n"
                      "STARTPROPERTIES 4\n"
                      "FONT_ASCENT 7\n"
                      "FONT_DESCENT 1\n"
                      "CHARSET_REGISTRY \"ISO10646\"\n"
                      "CHARSET_ENCODING \"1\"\n"
                      "ENDPROPERTIES\n"
                      "CHARS 256\n";
    char line[64];
    for (int code = 0; code < 256; ++code) {
        const auto ch = static_cast<unsigned>(unicodeOf(code));
        std::snprintf(line, sizeof line, "STARTCHAR uni%04X\nENCODING %u\n", ch, ch);
        out += line;
        out += "SWIDTH 960 0\nDWIDTH 8 0\nBBX 8 8 0 -1\nBITMAP\n";
        for (int row = 0; row < 8; ++row) {
            unsigned bits = 0;
            for (int col = 0; col < 8; ++col)
                if (table[static_cast<std::size_t>(8 * code + col)] & (1u << row))
                    bits |= 0x80u >> col;
            std::snprintf(line, sizeof line, "%02X\n", bits);
            out += line;
        }
        out += "ENDCHAR\n";
    }
    out += "ENDFONT\n";
    return out;
}

} // namespace fonttool
