// How the sign reads the codes of a text, the texts that trip operators up first: the reading
// of the text in the editor, of the bytes the sign decodes from its frame and of the player
// must be one and the same.

#include "base/Cp1251.h"
#include "sign/Effects.h"
#include "sign/SignPlayer.h"
#include "upload/FrameDecoder.h"
#include "upload/Frames.h"

#include <gtest/gtest.h>

#include <string_view>
#include <tuple>

namespace {

using Bytes = std::vector<std::uint8_t>;
using sign::CodeReading;
using Surprise = CodeReading::Surprise;

// Windows-1251 bytes of UTF-8 text, as the editor sends them.
Bytes bytesOf(std::string_view utf8) {
    Bytes out;
    const auto points = cp1251::decodeUtf8(utf8);
    for (const char32_t cp : points.value())
        out.push_back(cp1251::unicodeToCp1251(cp).value());
    return out;
}

struct Code {
    std::size_t at, length;
    std::string code;
    Surprise surprise;
    std::string does;
    bool operator==(const Code&) const = default;
};

struct Tricky {
    std::string_view text;
    std::vector<Code> codes;
};

// clang-format off
const Tricky TrickyTexts[] = {
    {"/S0/W7/Q1/F5/U2/D1/J1/I1/N1", {
        {0, 3, "/S0", Surprise::None, "скорость 0"},
        {3, 3, "/W7", Surprise::None, "пауза 7 с"},
        {6, 3, "/Q1", Surprise::None, "очистка, пауза 1 с"},
        {9, 3, "/F5", Surprise::None, "заполнение четырьмя линиями, пауза 1 с"},
        {12, 3, "/U2", Surprise::None, "сдвиг вверх, заполнение пустотой"},
        {15, 3, "/D1", Surprise::None, "сдвиг вниз, заполнение полностью"},
        {18, 3, "/J1", Surprise::None, "разбежка в разные стороны"},
        {21, 3, "/I1", Surprise::None, "инверсия включена"},
        {24, 3, "/N1", Surprise::None, "инверсия выключена"}}},
    {"/5", {{0, 2, "/W5", Surprise::NoLetter, "пауза 5 с"}}},
    {"скидка 1/2 цены", {{8, 2, "/W2", Surprise::NoLetter, "пауза 2 с"}}},
    {"/S8", {{0, 3, "/S7", Surprise::DigitTooHigh, "скорость 7"}}},
    {"/W9", {{0, 3, "/W9", Surprise::DigitTooHigh, "пауза 9 с"}}},
    {"/X1", {{0, 3, "/X1", Surprise::UnknownLetter, "ничего не делает"}}},
    {"/W\r\nдальше", {{0, 2, "/W1", Surprise::LineEnd, "пауза 1 с"}}},
    {"конец/", {{5, 1, "/W1", Surprise::LineEnd, "пауза 1 с"}}},
    {"//S3", {{0, 1, "/W1", Surprise::NoLetter, "пауза 1 с"}, {1, 3, "/S3", Surprise::None, "скорость 3"}}},
    {"/\r\nS3", {{0, 1, "/W1", Surprise::LineEnd, "пауза 1 с"}}},
    {"/S\r\n3", {{0, 2, "/S1", Surprise::LineEnd, "скорость 1"}}},
    {"/С1", {{0, 1, "/W1", Surprise::NoLetter, "пауза 1 с"}}}, // a Cyrillic Es
    {"/s3 /Q ", {{0, 1, "/W1", Surprise::NoLetter, "пауза 1 с"}, {4, 2, "/Q1", Surprise::NoDigit, "очистка, пауза 1 с"}}},
    {"/F9", {{0, 3, "/F9", Surprise::DigitTooHigh, "заполнение полностью, пауза 1 с"}}},
};
// clang-format on

TEST(SignCodes, TrickyTextsReadAlikeInTheEditorTheFrameAndThePlayer) {
    TxFrame tx;
    for (const Tricky& t : TrickyTexts) {
        SCOPED_TRACE(std::string(t.text));
        const Bytes text = bytesOf(t.text);
        const auto codes = sign::readCodes(text);
        std::vector<Code> got;
        for (const CodeReading& c : codes)
            got.push_back({c.at, c.length, c.code(), c.surprise,
                           sign::effectDoes(c, sign::Language::Russian)});
        EXPECT_EQ(got, t.codes);

        // The sign gets the text through its frame, line breaks turned into blanks; it reads,
        // and its player runs, the same codes at the same places.
        ASSERT_TRUE(tx.BuildTextFrame(text));
        const auto frames = decodeFrames(tx.frame());
        ASSERT_EQ(frames.size(), 1u);
        using Place = std::tuple<std::size_t, std::size_t, std::string>; // at, length, code
        std::vector<Place> read, onSign, played;
        for (const CodeReading& c : codes)
            read.emplace_back(c.at, c.length, c.code());
        for (const CodeReading& c : sign::readCodes(frames[0].payload))
            onSign.emplace_back(c.at, c.length, c.code());
        std::vector<std::size_t> offsets;
        const auto items = sign::parseSignText(frames[0].payload, &offsets);
        for (std::size_t i = 0, e = 0; i < items.size(); ++i)
            if (items[i].kind == sign::SignItem::Kind::Effect) // the player keeps no length
                played.emplace_back(offsets[i], e < codes.size() ? codes[e++].length : 0,
                                    sign::effectCode(items[i]));
        EXPECT_EQ(onSign, read);
        EXPECT_EQ(played, read);
    }
}

TEST(SignCodes, EffectsJsonListsWhatTheSignCarriesOut) {
    EXPECT_EQ(sign::effectsJson(bytesOf("a/S8 /X1 1/2")),
              "[{\"at\":1,\"code\":\"/S7\",\"type\":\"SPEED\",\"value\":7},"
              "{\"at\":10,\"code\":\"/W2\",\"type\":\"WAIT\",\"value\":2}]");
    EXPECT_EQ(sign::effectsJson({}), "[]");
    EXPECT_EQ(sign::effectDoes('S', 7, sign::Language::English), "speed 7");
    EXPECT_EQ(sign::effectDoes('U', 2, sign::Language::English), "shift up, filling empty");
}

TEST(SignCodes, PlayerTellsWhereInTheTextItIs) {
    sign::SignPlayer player(64);
    std::array<std::uint8_t, FontTableSize> font{};
    font.fill(0xFF);
    player.setFont(font);
    player.setText(bytesOf("A/W1B"));
    EXPECT_FALSE(player.runningAt());
    std::vector<std::size_t> seen;
    for (int t = 0; t < 400; ++t) {
        player.tick();
        if (const auto at = player.runningAt(); at && (seen.empty() || seen.back() != *at))
            seen.push_back(*at);
    }
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 1, 4}));
}

} // namespace
