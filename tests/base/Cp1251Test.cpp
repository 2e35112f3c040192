#include "base/Cp1251.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Cp1251, DecodesToUtf8) {
    struct Case {
        Bytes bytes;
        std::string utf8;
    };
    const std::vector<Case> cases = {
        {{'A', ' ', '~'}, "A ~"},
        {{0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2}, "Привет"},
        {{0xC0, 0xDF, 0xE0, 0xFF}, "АЯая"},
        {{0xA8, 0xB8, 0xB9, 0x88, 0x96, 0xAB, 0xBB}, "Ёё№€–«»"},
        {{0x80, 0x8F, 0xA5, 0xB4, 0xB2, 0xB3}, "ЂЏҐґІі"},
        {{0xA0}, "\u00A0"},
        {{0x98}, "\u0098"},
        {{}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cp1251::cp1251ToUtf8(c.bytes), c.utf8);
    // Every byte gives exactly one character, and distinct bytes distinct characters.
    std::set<char32_t> seen;
    for (int b = 0; b < 256; ++b)
        seen.insert(cp1251::cp1251ToUnicode(static_cast<std::uint8_t>(b)));
    EXPECT_EQ(seen.size(), 256u);
}

TEST(Cp1251, EncodesWhatItHoldsAndNothingElse) {
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        EXPECT_EQ(cp1251::unicodeToCp1251(cp1251::cp1251ToUnicode(byte)), byte) << b;
    }
    const std::vector<std::pair<char32_t, std::optional<std::uint8_t>>>
        cases =
            {
                {U'я', 0xFF},    {U'Ё', 0xA8},    {U'€', 0x88},        {U'№', 0xB9},
                {U'\u00E9', {}}, {U'\u4E00', {}}, {U'\U0001F600', {}}, {U'\uFFFD', {}},
                {U'\u0081', {}}, // 0x81 is Ѓ; the C1 control has no byte
            };
    for (const auto& [cp, byte] : cases)
        EXPECT_EQ(cp1251::unicodeToCp1251(cp), byte) << static_cast<unsigned>(cp);
}

} // namespace
