#include "Cp1251.h"
#include "FrameReport.h"

#include "upload/FrameDecoder.h"
#include "upload/Frames.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

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
        EXPECT_EQ(sign::cp1251ToUtf8(c.bytes), c.utf8);
    // Every byte gives exactly one character, and distinct bytes distinct characters.
    std::set<char32_t> seen;
    for (int b = 0; b < 256; ++b)
        seen.insert(sign::cp1251ToUnicode(static_cast<std::uint8_t>(b)));
    EXPECT_EQ(seen.size(), 256u);
}

TEST(FrameReport, JsonStringEscapes) {
    EXPECT_EQ(sign::jsonString(""), "\"\"");
    EXPECT_EQ(sign::jsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(sign::jsonString("\r\n\t"), "\"\\r\\n\\t\"");
    EXPECT_EQ(sign::jsonString(std::string("\x01\x1f", 2)), "\"\\u0001\\u001f\"");
    EXPECT_EQ(sign::jsonString("я/S5"), "\"я/S5\"");
}

TEST(FrameReport, OneLinePerFrame) {
    TxFrame tx;
    const Bytes text = {'"', 'A', '\\', '\r', '\n', 0xFF, '/', 'S', '5'};
    ASSERT_TRUE(tx.BuildTextFrame(text));
    Bytes stream = {'x', 'y'};
    stream.insert(stream.end(), tx.frame().begin(), tx.frame().end());
    std::array<std::uint8_t, FontTableSize> font{};
    font[256] = 0xAB;
    font[2047] = 0xFF;
    tx.BuildFontFrame(font);
    stream.insert(stream.end(), tx.frame().begin() + 150, tx.frame().end());
    stream.insert(stream.end(), {0xFF, 0xFF, 0x77});

    const auto frames = decodeFrames(stream);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(sign::frameJson(frames[0]),
              "{\"type\":\"text\",\"bytes\":219,\"text\":\"\\\"A\\\\  я/S5\",\"preamble\":200,"
              "\"skipped\":2,\"error\":\"\"}");
    const std::string symbols = "ab" + std::string(1790 * 2, '0') + "ff";
    EXPECT_EQ(sign::frameJson(frames[1]), "{\"type\":\"font\",\"bytes\":1847,\"symbols\":\"" +
                                              symbols +
                                              "\",\"preamble\":50,\"skipped\":0,\"error\":\"\"}");
    EXPECT_EQ(sign::frameJson(frames[2]),
              "{\"type\":\"malformed\",\"bytes\":3,\"preamble\":2,\"skipped\":0,"
              "\"error\":\"unknown frame type 0x77\"}");
}

} // namespace
