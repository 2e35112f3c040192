#pragma once

#include "SendOptions.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// What lumetra-send reads and how a text becomes the bytes the window would send.
namespace sendtool {

// A whole file, or the whole stream for "-". `error` is the system's reason (errno) when the
// input could not be read; EFBIG when it holds more than `maxBytes`.
struct InputBytes {
    std::string bytes;
    int error = 0;
};
InputBytes readInput(const std::string& path, std::FILE* standardInput, std::size_t maxBytes);

// A message file's bytes as the window holds and sends them: Windows-1251, every line break
// CR LF. `replaced` counts the characters Windows-1251 has no place for, now "?".
struct MessageBytes {
    std::string cp1251;
    std::size_t replaced = 0;
};
MessageBytes messageBytes(std::string_view fileBytes, Encoding encoding);

// UTF-8 of Windows-1251 text, for messages.
std::string toUtf8(std::string_view cp1251);

} // namespace sendtool
