#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

// The line to the sign: 1200 baud, 8 data bits, no parity, 2 stop bits, and what follows from
// that for the time a frame takes.
inline constexpr int LineBaud = 1200;
inline constexpr int LineBitsPerByte = 11; // start bit, 8 data bits, 2 stop bits

// How long `bytes` take on the line, rounded up to whole milliseconds.
constexpr std::chrono::milliseconds lineTime(std::size_t bytes) {
    const auto bitMs = static_cast<std::uint64_t>(bytes) * LineBitsPerByte * 1000;
    return std::chrono::milliseconds((bitMs + LineBaud - 1) / LineBaud);
}

// Bytes the line carries in `elapsed`, rounded down.
constexpr std::size_t lineBytes(std::chrono::milliseconds elapsed) {
    const auto ms = elapsed.count() < 0 ? 0 : static_cast<std::uint64_t>(elapsed.count());
    return static_cast<std::size_t>(ms * LineBaud / (LineBitsPerByte * 1000));
}
