#include "Yaff.h"

#include "base/Cp1251.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>

namespace fonttool {
namespace {

struct Line {
    std::string text;
    int number = 0;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string trim(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && isBlank(s[a]))
        ++a;
    while (b > a && isBlank(s[b - 1]))
        --b;
    return s.substr(a, b - a);
}

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::replace(s.begin(), s.end(), '_', '-');
    return s;
}

std::vector<Line> linesOf(const std::string& text) {
    std::vector<Line> lines;
    std::string body = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
    std::istringstream in(body);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back({line, number});
    }
    return lines;
}

std::optional<std::u32string> decodeText(const std::string& utf8) {
    const auto decoded = cp1251::decodeUtf8(utf8);
    if (!decoded)
        return std::nullopt;
    return std::u32string(decoded->begin(), decoded->end());
}

bool isGlyphRow(const std::string& trimmed) {
    return trimmed == "-" ||
           (!trimmed.empty() && std::all_of(trimmed.begin(), trimmed.end(),
                                            [](char c) { return c == '.' || c == '@'; }));
}

// A label or a key with nothing after its colon: the whole line up to it.
bool isBareLabel(const std::string& line) {
    return !line.empty() && !isBlank(line[0]) && line[0] != '#' && trim(line).back() == ':';
}

// One element of a label, as a number: decimal, 0x hex or 0o octal; nothing when it is none.
std::optional<unsigned long> number(const std::string& e) {
    int base = 10;
    std::string digits = e;
    if (e.size() > 2 && e[0] == '0' && (e[1] == 'x' || e[1] == 'X'))
        base = 16, digits = e.substr(2);
    else if (e.size() > 2 && e[0] == '0' && (e[1] == 'o' || e[1] == 'O'))
        base = 8, digits = e.substr(2);
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    char* end = nullptr;
    const unsigned long v = std::strtoul(digits.c_str(), &end, base);
    if (*end != '\0')
        return std::nullopt;
    return v;
}

std::vector<std::string> elements(const std::string& label) {
    std::vector<std::string> out;
    std::string item;
    bool quoted = false;
    for (const char c : label) {
        if (c == '\'')
            quoted = !quoted;
        if (c == ',' && !quoted) {
            out.push_back(trim(item));
            item.clear();
        } else {
            item += c;
        }
    }
    out.push_back(trim(item));
    return out;
}

// The one character a character label names; nothing for a sequence or a malformed label.
std::optional<char32_t> characterOf(const std::string& label) {
    const std::vector<std::string> parts = elements(label);
    std::u32string chars;
    for (const std::string& e : parts) {
        if (e.size() > 2 && (e[0] == 'u' || e[0] == 'U') && e[1] == '+') {
            char* end = nullptr;
            const unsigned long v = std::strtoul(e.c_str() + 2, &end, 16);
            if (*end != '\0' || v > 0x10FFFF)
                return std::nullopt;
            chars += static_cast<char32_t>(v);
        } else if (e.size() >= 2 && e.front() == '\'' && e.back() == '\'') {
            const auto decoded = decodeText(e.substr(1, e.size() - 2));
            if (!decoded)
                return std::nullopt;
            chars += *decoded;
        } else if (const auto decoded = decodeText(e)) {
            chars += *decoded;
        } else {
            return std::nullopt;
        }
    }
    if (chars.size() != 1)
        return std::nullopt;
    return chars.front();
}

struct Labels {
    std::vector<char32_t> chars;
    std::optional<int> code;
};

void addLabel(Labels& to, const std::string& label) {
    const unsigned char first = static_cast<unsigned char>(label[0]);
    if (std::isdigit(first)) {
        const std::vector<std::string> parts = elements(label);
        if (parts.size() == 1)
            if (const auto v = number(parts[0]); v && *v < 256)
                to.code = static_cast<int>(*v);
        return;
    }
    if (label[0] == '"')
        return; // a tag
    const bool character =
        label[0] == '\'' || first >= 0x80 ||
        ((label[0] == 'u' || label[0] == 'U') && label.size() > 1 && label[1] == '+') ||
        label.size() == 1;
    if (!character)
        return; // a tag
    if (const auto ch = characterOf(label))
        to.chars.push_back(*ch);
}

bool namesCp1251(std::string encoding) {
    encoding = lower(encoding);
    encoding.erase(std::remove(encoding.begin(), encoding.end(), '-'), encoding.end());
    return encoding == "windows1251" || encoding == "cp1251" || encoding == "microsoftcp1251";
}

struct Parsed {
    SourceGlyph glyph;
    Labels labels;
    int shiftUp = 0;
};

} // namespace

bool looksLikeYaff(const std::string& text) {
    const std::vector<Line> lines = linesOf(text.substr(0, 1 << 16));
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        if (isBareLabel(lines[i].text) && !lines[i + 1].text.empty() &&
            isBlank(lines[i + 1].text[0]) && isGlyphRow(trim(lines[i + 1].text)))
            return true;
    return false;
}

FontSource readYaff(const std::string& text, const std::string& file) {
    const std::vector<Line> lines = linesOf(text);
    const auto fail = [&](int line, const std::string& why) {
        throw FontError(file + ":" + std::to_string(line) + ": " + why);
    };
    std::vector<Parsed> glyphs;
    std::string encoding;
    std::vector<std::string> pending; // labels waiting for their glyph
    int pendingLine = 0;
    std::size_t i = 0;
    while (i < lines.size()) {
        const std::string& line = lines[i].text;
        if (line.empty() || line[0] == '#' || trim(line).empty()) {
            ++i;
            continue;
        }
        if (!isBlank(line[0])) {
            const auto colon = line.find(':');
            if (colon == std::string::npos)
                fail(lines[i].number, "neither a label nor a property: \"" + line + "\"");
            const std::string rest = trim(line.substr(colon + 1));
            if (rest.empty()) {
                if (pending.empty())
                    pendingLine = lines[i].number;
                pending.push_back(trim(line.substr(0, colon)));
            } else if (lower(trim(line.substr(0, colon))) == "encoding") {
                encoding = rest;
            }
            ++i;
            continue;
        }
        // An indented block: a glyph, or the value of the property named by the last label.
        if (pending.empty())
            fail(lines[i].number, "an indented line with no label or key before it");
        const std::string first = trim(line);
        if (!isGlyphRow(first)) {
            while (i < lines.size() && !lines[i].text.empty() && isBlank(lines[i].text[0]))
                ++i;
            pending.pop_back();
            continue;
        }
        Parsed p;
        p.glyph.name = "\"" + pending.front() + "\" (line " + std::to_string(pendingLine) + ")";
        for (const std::string& label : pending)
            addLabel(p.labels, label);
        pending.clear();
        std::vector<std::string> rows;
        for (; i < lines.size() && !lines[i].text.empty() && isBlank(lines[i].text[0]); ++i) {
            const std::string row = trim(lines[i].text);
            if (!isGlyphRow(row) || (row == "-" && !rows.empty()))
                fail(lines[i].number, "glyph " + p.glyph.name + " has a row of other than . and @");
            if (!rows.empty() && row.size() != rows.front().size())
                fail(lines[i].number, "the rows of glyph " + p.glyph.name + " differ in length");
            rows.push_back(row);
        }
        // Per-glyph properties follow after a blank line, at the same indent.
        while (i < lines.size() && trim(lines[i].text).empty() && i + 1 < lines.size() &&
               !lines[i + 1].text.empty() && isBlank(lines[i + 1].text[0])) {
            for (++i; i < lines.size() && !lines[i].text.empty() && isBlank(lines[i].text[0]);
                 ++i) {
                const std::string prop = trim(lines[i].text);
                const auto colon = prop.find(':');
                if (colon != std::string::npos && lower(trim(prop.substr(0, colon))) == "shift-up")
                    p.shiftUp = std::atoi(prop.c_str() + colon + 1);
            }
        }
        const bool empty = rows.size() == 1 && rows[0] == "-";
        const int width = empty ? 0 : static_cast<int>(rows.front().size());
        const int height = empty ? 0 : static_cast<int>(rows.size());
        if (width > 256 || height > 256)
            fail(pendingLine, "glyph " + p.glyph.name + " is larger than 256 x 256 dots");
        p.glyph.glyph = blankGlyph(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '@')
                    p.glyph.glyph.set(x, y);
        glyphs.push_back(std::move(p));
    }

    FontSource font;
    const bool anyChar = std::any_of(glyphs.begin(), glyphs.end(),
                                     [](const Parsed& p) { return !p.labels.chars.empty(); });
    const bool byCode = namesCp1251(encoding) || !anyChar;
    if (!anyChar)
        font.notes.push_back("the font has no Unicode labels: the glyph labelled with code n is "
                             "taken as symbol n");
    // Every glyph's raster stands on the baseline, raised by its shift-up: the tallest sets
    // the top of the cell.
    int top = 0;
    for (const Parsed& p : glyphs)
        top = std::max(top, p.glyph.glyph.height + p.shiftUp);
    for (Parsed& p : glyphs) {
        p.glyph.glyph.top = top - (p.glyph.glyph.height + p.shiftUp);
        p.glyph.chars = p.labels.chars;
        if (byCode)
            p.glyph.position = p.labels.code;
        if (!p.glyph.chars.empty() || p.glyph.position)
            font.glyphs.push_back(std::move(p.glyph));
    }
    return font;
}

std::string writeYaff(const Table& table, const std::string& name) {
    std::string out = "# " + name +
                      ": the 256 symbols of a running-line sign's font, 8 x 8 dots.\n"
                      "# Each symbol is labelled with its Windows-1251 code and its character.\n"
                      "\n"
                      "name: " +
                      name +
                      "\n"
                      "converter: lumetra-font\n"
                      "encoding: windows-1251\n"
                      "spacing: character-cell\n"
                      "cell-size: 8x8\n"
                      "shift-up: -1\n";
    char label[32];
    for (int code = 0; code < 256; ++code) {
        std::snprintf(label, sizeof label, "\n0x%02X:\n", static_cast<unsigned>(code));
        out += label;
        // 0x98 stands for no character in the code page.
        if (code != 0x98) {
            std::snprintf(label, sizeof label, "u+%04X:\n", static_cast<unsigned>(unicodeOf(code)));
            out += label;
        }
        for (int row = 0; row < 8; ++row) {
            out += "    ";
            for (int col = 0; col < 8; ++col)
                out += table[static_cast<std::size_t>(8 * code + col)] & (1u << row) ? '@' : '.';
            out += '\n';
        }
    }
    return out;
}

} // namespace fonttool
