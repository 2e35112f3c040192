#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Windows-1251, the code page of every text the sign, the message files and the settings hold.
namespace cp1251 {

// Unicode code point of a Windows-1251 byte. 0x98, unused in the code page, keeps its value.
char32_t cp1251ToUnicode(std::uint8_t byte);

// The byte of a code point, or nothing when the code page cannot hold it.
std::optional<std::uint8_t> unicodeToCp1251(char32_t codePoint);

// UTF-8 of Windows-1251 bytes.
std::string cp1251ToUtf8(std::span<const std::uint8_t> bytes);

// UTF-8 of one code point.
void appendUtf8(std::string& out, char32_t codePoint);

// One strict UTF-8 sequence starting at `at`: no overlong forms, no surrogates, nothing above
// U+10FFFF. A length of 0 means no valid sequence starts there.
struct Utf8Sequence {
    char32_t codePoint = 0;
    std::size_t length = 0;
};
Utf8Sequence readUtf8(std::string_view text, std::size_t at);

// The code points of strict UTF-8 text; nothing when any sequence is invalid.
std::optional<std::vector<char32_t>> decodeUtf8(std::string_view text);

} // namespace cp1251
