#include "sign/TextGlyphs.h"
#include "sign/SignPlayer.h"

#include <gtest/gtest.h>

#include <array>
#include <string_view>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// Every symbol lit in its first column but those listed, which stay blank.
std::array<std::uint8_t, FontTableSize> fontWithout(std::initializer_list<int> blank) {
    std::array<std::uint8_t, FontTableSize> font{};
    for (int code = 0; code < 256; ++code)
        font[static_cast<std::size_t>(code) * 8] = static_cast<std::uint8_t>(code | 1);
    for (const int code : blank)
        font[static_cast<std::size_t>(code) * 8] = 0;
    return font;
}

TEST(TextGlyphs, BlankSymbolsAreCountedPerCharacterAndNamedOnce) {
    const struct {
        std::string_view text;
        std::initializer_list<int> blank;
        int count;
        Bytes codes;
    } cases[] = {
        {"ABBA", {'B'}, 2, {'B'}},
        {"A B\r\nC", {' ', '\r', '\n', 'C', 'Z'}, 1, {'C'}}, // blanks and breaks are meant empty
        {"/S5/W1A", {'S', '5', 'W', '1', '/'}, 0, {}},       // codes are not drawn
        {"\xC6\xA0\xD9\xC6", {0xC6, 0xD9, 0xA0}, 3, {0xC6, 0xD9}},
        {"", {'A'}, 0, {}},
    };
    for (const auto& c : cases) {
        const auto font = fontWithout(c.blank);
        const sign::BlankGlyphs blank = sign::blankGlyphs(bytesOf(c.text), font);
        EXPECT_EQ(blank.count, c.count) << c.text;
        EXPECT_EQ(Bytes(blank.codes.begin(), blank.codes.end()), c.codes) << c.text;
    }
    const auto used = sign::glyphsUsed(bytesOf("/S5Ab\r\n"));
    EXPECT_EQ(used.count(), 4u);
    EXPECT_TRUE(used['A'] && used['b'] && used['\r'] && used['\n']);
}

TEST(TextGlyphs, AStillTextStandsFromTheLeftEdgeWithoutItsCodes) {
    auto font = fontWithout({});
    font[8 * 'A' + 7] = 0x80;
    sign::SignPlayer player(sign::SignPlayer::MinWidth);
    player.setFont(font);
    player.showStill(bytesOf("A/I1B"));
    EXPECT_EQ(player.width(), sign::SignPlayer::MinWidth);
    EXPECT_EQ(player.shownColumn(0), 'A' | 1);
    EXPECT_EQ(player.shownColumn(7), 0x80);
    EXPECT_EQ(player.shownColumn(8), 'B' | 1);
    EXPECT_EQ(player.shownColumn(16), 0);
    EXPECT_FALSE(player.tick()); // it stands still

    player.showStill(bytesOf(std::string(10, 'C')));
    EXPECT_EQ(player.width(), 80);
    EXPECT_EQ(player.shownColumn(72), 'C' | 1);
    player.showStill(bytesOf("C"));
    EXPECT_EQ(player.width(), 80); // the display stays as wide
    EXPECT_EQ(player.shownColumn(8), 0);
}

} // namespace
