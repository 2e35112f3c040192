#include "FrameReport.h"

#include "frames/FrameDecoder.h"
#include "frames/Frames.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Bytes = std::vector<std::uint8_t>;

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
              "{\"type\":\"text\",\"bytes\":219,\"text\":\"\\\"A\\\\  я/S5\",\"effects\":"
              "[{\"at\":6,\"code\":\"/S5\",\"type\":\"SPEED\",\"value\":5}],\"preamble\":200,"
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
