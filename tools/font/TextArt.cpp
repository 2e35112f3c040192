#include "TextArt.h"

#include "base/Cp1251.h"

#include "FontFit.h"

#include <algorithm>

namespace fonttool {
namespace {

constexpr int Gap = 2;

// The character as a terminal shows it, one column wide; blank for what it cannot show.
std::string shown(int code) {
    const char32_t ch = unicodeOf(code);
    if (ch <= 0x20 || ch == 0x7F || (ch >= 0x80 && ch <= 0xA0) || ch == 0xAD)
        return " ";
    return encodeUtf8(ch);
}

} // namespace

std::string textArt(const Table& table, const std::vector<int>& codes, int perLine) {
    std::string out;
    for (std::size_t first = 0; first < codes.size(); first += static_cast<std::size_t>(perLine)) {
        const std::size_t last = std::min(codes.size(), first + static_cast<std::size_t>(perLine));
        std::string header;
        for (std::size_t i = first; i < last; ++i) {
            std::string label = std::to_string(codes[i]);
            label.append(4 - label.size(), ' ');
            header += label + shown(codes[i]) + std::string(8 + Gap - 5, ' ');
        }
        out += header.substr(0, header.find_last_not_of(' ') + 1) + "\n";
        for (int row = 0; row < 8; ++row) {
            std::string line;
            for (std::size_t i = first; i < last; ++i) {
                for (int col = 0; col < 8; ++col)
                    line += (table[static_cast<std::size_t>(8 * codes[i] + col)] >> row) & 1 ? '#'
                                                                                             : '.';
                if (i + 1 < last)
                    line += std::string(Gap, ' ');
            }
            out += line + "\n";
        }
        if (last < codes.size())
            out += "\n";
    }
    return out;
}

std::vector<int> codesOf(const std::string& utf8) {
    const auto chars = cp1251::decodeUtf8(utf8);
    if (!chars)
        throw FontError("the characters to show are not UTF-8 text");
    std::vector<int> codes;
    for (const char32_t ch : *chars) {
        const auto code = cp1251Of(ch);
        if (!code)
            throw FontError(describeChar(ch) +
                            " has no symbol: it is not a Windows-1251 character");
        codes.push_back(*code);
    }
    return codes;
}

} // namespace fonttool
