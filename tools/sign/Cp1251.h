#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace sign {

// Unicode code point of a Windows-1251 byte. 0x98, unused in the code page, keeps its value.
char32_t cp1251ToUnicode(std::uint8_t byte);

// UTF-8 of Windows-1251 bytes.
std::string cp1251ToUtf8(std::span<const std::uint8_t> bytes);

// UTF-8 of one code point.
void appendUtf8(std::string& out, char32_t codePoint);

} // namespace sign
