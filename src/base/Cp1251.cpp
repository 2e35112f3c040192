#include "base/Cp1251.h"

#include <array>

namespace cp1251 {
namespace {

// 0x80..0xBF; 0xC0..0xFF are the Cyrillic capitals and small letters in alphabet order.
constexpr std::array<char16_t, 64> Upper = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
};

} // namespace

char32_t cp1251ToUnicode(std::uint8_t byte) {
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return char32_t{0x0410} + (byte - 0xC0u);
    return Upper[byte - 0x80u];
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::optional<std::uint8_t> unicodeToCp1251(char32_t cp) {
    if (cp < 0x80)
        return static_cast<std::uint8_t>(cp);
    if (cp >= 0x0410 && cp <= 0x044F)
        return static_cast<std::uint8_t>(0xC0u + (cp - 0x0410u));
    for (std::size_t i = 0; i < Upper.size(); ++i)
        if (Upper[i] == cp)
            return static_cast<std::uint8_t>(0x80u + i);
    return std::nullopt;
}

std::string cp1251ToUtf8(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const std::uint8_t b : bytes)
        appendUtf8(out, cp1251ToUnicode(b));
    return out;
}

namespace {

bool isContinuation(std::uint8_t b) {
    return (b & 0xC0u) == 0x80u;
}

} // namespace

Utf8Sequence readUtf8(std::string_view s, std::size_t at) {
    const auto lead = static_cast<std::uint8_t>(s[at]);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1Fu;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0Fu;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07u;
        least = 0x10000;
    } else {
        return {};
    }
    if (at + length > s.size())
        return {};
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<std::uint8_t>(s[at + i]);
        if (!isContinuation(b))
            return {};
        cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return {};
    return {cp, length};
}

std::optional<std::vector<char32_t>> decodeUtf8(std::string_view text) {
    std::vector<char32_t> out;
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Sequence seq = readUtf8(text, at);
        if (seq.length == 0)
            return std::nullopt;
        out.push_back(seq.codePoint);
        at += seq.length;
    }
    return out;
}

} // namespace cp1251
