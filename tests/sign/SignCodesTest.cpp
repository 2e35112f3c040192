// How the sign reads the codes of a text: the editor's reading and the player's, of the bytes
// the sign decodes from the text's frame, must be one and the same.

#include "base/Cp1251.h"
#include "frames/FrameDecoder.h"
#include "sign/GifExport.h"
#include "sign/SignPlayer.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#ifdef LUMETRA_HAVE_GIF
#include <gif_lib.h>
#endif

#include <algorithm>
#include <string_view>
#include <tuple>

namespace {

using Bytes = std::vector<std::uint8_t>;
using sign::CodeReading;
using enum CodeReading::Surprise;

// Windows-1251 bytes of UTF-8 text, as the editor sends them.
Bytes bytesOf(std::string_view utf8) {
    Bytes out;
    const auto points = cp1251::decodeUtf8(utf8);
    for (const char32_t cp : points.value())
        out.push_back(cp1251::unicodeToCp1251(cp).value());
    return out;
}

// A 64-dot sign running `text` in a font whose every column is `dots`.
sign::SignPlayer playing(std::string_view text, std::uint8_t dots) {
    sign::SignPlayer player(64);
    std::array<std::uint8_t, FontTableSize> font;
    font.fill(dots);
    player.setFont(font);
    player.setText(bytesOf(text));
    return player;
}

// Where a code starts, how long it is, the code the sign runs, the surprise, what it does.
using Code = std::tuple<std::size_t, std::size_t, std::string, CodeReading::Surprise, std::string>;

// clang-format off
const struct { std::string_view text; std::vector<Code> codes; } TrickyTexts[] = {
    {"/S0/W7/Q1/F5/U2/D1/J1/I1/N1", {
        {0, 3, "/S0", None, "скорость 0"}, {3, 3, "/W7", None, "пауза 7 с"},
        {6, 3, "/Q1", None, "очистка, пауза 1 с"}, {9, 3, "/F5", None, "заполнение четырьмя линиями, пауза 1 с"},
        {12, 3, "/U2", None, "сдвиг вверх, заполнение пустотой"}, {15, 3, "/D1", None, "сдвиг вниз, заполнение полностью"},
        {18, 3, "/J1", None, "разбежка в разные стороны"}, {21, 3, "/I1", None, "инверсия включена"},
        {24, 3, "/N1", None, "инверсия выключена"}}},
    {"/5", {{0, 2, "/W5", NoLetter, "пауза 5 с"}}},
    {"скидка 1/2 цены", {{8, 2, "/W2", NoLetter, "пауза 2 с"}}},
    // Codes right after codes, and the digits each type takes as written.
    {"/W4/S5Сегодня", {{0, 3, "/W4", None, "пауза 4 с"}, {3, 3, "/S5", None, "скорость 5"}}},
    {"/S8/S9/S0/S55", {
        {0, 3, "/S7", DigitNotTaken, "скорость 7"}, {3, 3, "/S7", DigitNotTaken, "скорость 7"},
        {6, 3, "/S0", None, "скорость 0"}, {9, 3, "/S5", None, "скорость 5"}}},
    {"/W9/Q9/W0/Q0", {
        {0, 3, "/W9", None, "пауза 9 с"}, {3, 3, "/Q9", None, "очистка, пауза 9 с"},
        {6, 3, "/W0", None, "пауза 0 с"}, {9, 3, "/Q0", None, "очистка, пауза 0 с"}}},
    {"/F0/F5/F6/F9/U2/U3/D0", {
        {0, 3, "/F1", DigitNotTaken, "заполнение полностью, пауза 1 с"},
        {3, 3, "/F5", None, "заполнение четырьмя линиями, пауза 1 с"},
        {6, 3, "/F1", DigitNotTaken, "заполнение полностью, пауза 1 с"},
        {9, 3, "/F1", DigitNotTaken, "заполнение полностью, пауза 1 с"},
        {12, 3, "/U2", None, "сдвиг вверх, заполнение пустотой"},
        {15, 3, "/U1", DigitNotTaken, "сдвиг вверх, заполнение полностью"},
        {18, 3, "/D1", DigitNotTaken, "сдвиг вниз, заполнение полностью"}}},
    {"/J9/I0/N8/X9/W/S5", {
        {0, 3, "/J9", None, "разбежка в разные стороны"}, {3, 3, "/I0", None, "инверсия включена"},
        {6, 3, "/N8", None, "инверсия выключена"}, {9, 3, "/X9", UnknownLetter, "ничего не делает"},
        {12, 2, "/W1", NoDigit, "пауза 1 с"}, {14, 3, "/S5", None, "скорость 5"}}},
    {"/X1", {{0, 3, "/X1", UnknownLetter, "ничего не делает"}}},
    {"/W\r\nдальше", {{0, 2, "/W1", LineEnd, "пауза 1 с"}}},
    {"конец/", {{5, 1, "/W1", LineEnd, "пауза 1 с"}}},
    {"//S3", {{0, 1, "/W1", NoLetter, "пауза 1 с"}, {1, 3, "/S3", None, "скорость 3"}}},
    {"/\r\nS3", {{0, 1, "/W1", LineEnd, "пауза 1 с"}}},
    {"/S\r\n3", {{0, 2, "/S1", LineEnd, "скорость 1"}}},
    {"/С1", {{0, 1, "/W1", NoLetter, "пауза 1 с"}}}, // a Cyrillic Es
    {"/s3 /Q ", {{0, 1, "/W1", NoLetter, "пауза 1 с"}, {4, 2, "/Q1", NoDigit, "очистка, пауза 1 с"}}},
};
// clang-format on

TEST(SignCodes, TrickyTextsReadAlikeInTheEditorTheFrameAndThePlayer) {
    TxFrame tx;
    for (const auto& t : TrickyTexts) {
        SCOPED_TRACE(std::string(t.text));
        const Bytes text = bytesOf(t.text);
        std::vector<Code> read;
        for (const CodeReading& c : sign::readCodes(text))
            read.emplace_back(c.at, c.length, c.code(), c.surprise,
                              sign::effectDoes(c, Language::Russian));
        EXPECT_EQ(read, t.codes);

        // Through its frame, line breaks turned into blanks, the sign runs them at the same places.
        ASSERT_TRUE(tx.BuildTextFrame(text));
        const auto frames = decodeFrames(tx.frame());
        ASSERT_EQ(frames.size(), 1u);
        std::vector<std::pair<std::size_t, std::string>> written, played;
        for (const auto& [at, length, code, surprise, does] : t.codes)
            written.emplace_back(at, code);
        std::vector<std::size_t> offsets;
        const auto items = sign::parseSignText(frames[0].payload, &offsets);
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].kind == sign::SignItem::Kind::Effect)
                played.emplace_back(offsets[i], sign::effectCode(items[i]));
        EXPECT_EQ(played, written);
    }
    EXPECT_EQ(sign::effectDoes('U', 2, Language::English), "shift up, filling empty");
}

TEST(SignCodes, PlayerTellsWhereInTheTextItIs) {
    sign::SignPlayer player = playing("A/W1B", 0xFF);
    EXPECT_FALSE(player.runningAt());
    std::vector<std::size_t> seen;
    for (int t = 0; t < 400; ++t) {
        player.tick();
        if (const auto at = player.runningAt(); at && (seen.empty() || seen.back() != *at))
            seen.push_back(*at);
    }
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 1, 4}));
}

TEST(GifExport, TheSignRunningAsALoopingAnimation) {
#ifndef LUMETRA_HAVE_GIF
    EXPECT_FALSE(sign::gifExportAvailable());
    GTEST_SKIP() << "built without giflib";
#else
    TempDir dir;
    const std::string path = dir.path("sign.gif");
    ASSERT_EQ(sign::writeGif(path, playing("AB/W1/I1C", 0x81), 4000, 3), "");
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    ASSERT_TRUE(gif);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(std::pair(gif->SWidth, gif->SHeight), std::pair(64 * 3, 8 * 3));
    EXPECT_GT(gif->ImageCount, 20);
    // Hundredths of a second add up to the four seconds run, the one-second pause included.
    int total = 0, longest = 0, lit = 0;
    for (int i = 0; i < gif->ImageCount; ++i) {
        GraphicsControlBlock gcb;
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &gcb), GIF_OK);
        total += gcb.DelayTime;
        longest = std::max(longest, gcb.DelayTime);
        const GifByteType* dots = gif->SavedImages[i].RasterBits;
        lit += std::count(dots, dots + 64 * 3 * 8 * 3, 2) > 0;
    }
    EXPECT_NEAR(total, 400, 3);
    EXPECT_GE(longest, 100);
    EXPECT_GT(lit, 0);
    DGifCloseFile(gif, &error);
#endif
}

} // namespace
