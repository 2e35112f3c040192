#pragma once

#include "frames/Frames.h"

#include <array>
#include <cstdint>

namespace sign {

// The font the sign shows until one is uploaded: the Windows-1251 characters 32..255 drawn
// from a system monospace font into 8 x 8 dots. Needs a QGuiApplication.
std::array<std::uint8_t, FontTableSize> renderDefaultFont();

} // namespace sign
