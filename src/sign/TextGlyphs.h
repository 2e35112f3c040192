#pragma once

#include "frames/Frames.h"

#include <bitset>
#include <cstdint>
#include <span>
#include <vector>

namespace sign {

// The symbols the sign draws for a text (Windows-1251): every character but the effect codes,
// line breaks included.
std::bitset<256> glyphsUsed(std::span<const std::uint8_t> text);

// The blank, the no-break blank and the control characters: symbols meant to be empty.
bool blankByDesign(int code);

// The characters of a text whose symbol has no lit dot in `font`, so that the sign shows a gap
// for them. Those blank by design are never counted.
struct BlankGlyphs {
    int count = 0;                   // characters of the text, repeats counted
    std::vector<std::uint8_t> codes; // each such symbol once, in code order
};
BlankGlyphs blankGlyphs(std::span<const std::uint8_t> text,
                        std::span<const std::uint8_t, FontTableSize> font);

} // namespace sign
