#pragma once

#include "frames/Frames.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

// The frames the uploader sends, as bytes to compare with what arrived.

// The text frame of `text`; throws when it does not fit the sign's buffer.
inline std::vector<std::uint8_t> textFrame(const std::vector<std::uint8_t>& text) {
    TxFrame tx;
    if (!tx.BuildTextFrame(text))
        throw std::length_error("text too long for a frame");
    return {tx.frame().begin(), tx.frame().end()};
}

inline std::vector<std::uint8_t> textFrame(std::string_view cp1251) {
    return textFrame(std::vector<std::uint8_t>(cp1251.begin(), cp1251.end()));
}

// The frame of a text of `letters` letters A.
inline std::vector<std::uint8_t> textFrame(std::size_t letters) {
    return textFrame(std::vector<std::uint8_t>(letters, 'A'));
}

inline std::vector<std::uint8_t> fontFrame(std::span<const std::uint8_t, FontTableSize> font) {
    TxFrame tx;
    tx.BuildFontFrame(font);
    return {tx.frame().begin(), tx.frame().end()};
}
