#pragma once

#include "SendOptions.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

// What lumetra-send reads and how a text becomes the bytes the window would send.
namespace sendtool {

// A whole file, or the whole stream for "-". `error` is the C library's reason (errno) when
// the input could not be read; EFBIG when it holds more than `maxBytes`.
struct InputBytes {
    std::string bytes;
    int error = 0;
};
InputBytes readInput(const std::string& path, std::FILE* standardInput, std::size_t maxBytes);

// Whether `output` is the file the input `input` ("-": standard input) comes from, under
// whatever name or link: writing it would replace the input.
bool isInputFile(const std::string& input, const std::string& output);

// Writes `bytes` to the file `path`. A regular file, or a new one, is replaced as a whole, so a
// failure (a full disk) leaves what was there; a FIFO or a device takes them as a stream.
// Returns why it failed: the system's number, or the C library's for a stream; none when
// written.
std::error_code writeOutput(const std::string& path, std::span<const std::uint8_t> bytes);

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
