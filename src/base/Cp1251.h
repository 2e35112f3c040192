#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

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

} // namespace cp1251
