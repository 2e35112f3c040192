#include "sign/SignPlayer.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

using sign::SignItem;
using sign::SignPlayer;
using Bytes = std::vector<std::uint8_t>;
using Phase = SignPlayer::Phase;

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

SignItem glyph(char c) {
    return {SignItem::Kind::Glyph, static_cast<std::uint8_t>(c), 0, 0};
}
SignItem effect(char letter, int value) {
    return {SignItem::Kind::Effect, 0, letter, value};
}

TEST(SignText, EffectCodesAndTheirDefaults) {
    struct Case {
        const char* text;
        std::vector<SignItem> items;
    };
    const std::vector<Case> cases = {
        {"/S5", {effect('S', 5)}},
        {"A/W3B", {glyph('A'), effect('W', 3), glyph('B')}},
        {"/5", {effect('W', 5)}},
        {"/W", {effect('W', 1)}},
        {"/", {effect('W', 1)}},
        {"/Q", {effect('Q', 1)}},
        {"//", {effect('W', 1), effect('W', 1)}},
        {"/x", {effect('W', 1), glyph('x')}}, // lower case is no letter
        {"/ 7", {effect('W', 1), glyph(' '), glyph('7')}},
        {"/S55", {effect('S', 5), glyph('5')}},
        {"/A3", {effect('A', 3)}},
        {"/F5/U2/D1/J1/I1/N1",
         {effect('F', 5), effect('U', 2), effect('D', 1), effect('J', 1), effect('I', 1),
          effect('N', 1)}},
        {"S5", {glyph('S'), glyph('5')}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(sign::parseSignText(bytesOf(c.text)), c.items);
    }
    // Cyrillic letters are characters, not effect letters.
    EXPECT_EQ(
        sign::parseSignText(Bytes{'/', 0xD1, '5'}),
        (std::vector<SignItem>{effect('W', 1), {SignItem::Kind::Glyph, 0xD1, 0, 0}, glyph('5')}));
}

// A font in which every column of symbol n is a distinct, recognisable value.
std::array<std::uint8_t, FontTableSize> testFont() {
    std::array<std::uint8_t, FontTableSize> font{};
    for (int n = 33; n < 256; ++n)
        for (int c = 0; c < 8; ++c)
            font[n * 8 + c] = static_cast<std::uint8_t>(n + c * 29) | 1;
    return font; // the blank (32) stays dark
}

std::uint8_t col(const SignPlayer& p, std::uint8_t symbol, int c) {
    return p.font()[symbol * 8 + c];
}

struct Player : ::testing::Test {
    SignPlayer player{64};
    void SetUp() override { player.setFont(testFont()); }
    void run(std::string_view text) { player.setText(bytesOf(text)); }
    // Ticks until the display changes; returns the ticks taken (or -1 after `limit`).
    int ticksToChange(int limit = 100000) {
        for (int t = 1; t <= limit; ++t)
            if (player.tick())
                return t;
        return -1;
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            player.tick();
    }
    std::uint8_t right(int fromEnd = 0) const {
        return player.columns()[player.columns().size() - 1 - fromEnd];
    }
};

TEST_F(Player, TextScrollsInFromTheRightColumnByColumn) {
    run("AB");
    EXPECT_EQ(player.phase(), Phase::Scroll);
    EXPECT_TRUE(player.tick()); // the first column comes at once
    EXPECT_EQ(right(), col(player, 'A', 0));
    const int interval = SignPlayer::columnMs(SignPlayer::StartSpeed) / SignPlayer::TickMs;
    for (int c = 1; c < 8; ++c) {
        EXPECT_EQ(ticksToChange(), interval);
        EXPECT_EQ(right(), col(player, 'A', c));
        EXPECT_EQ(right(c), col(player, 'A', 0));
    }
    EXPECT_EQ(ticksToChange(), interval);
    EXPECT_EQ(right(), col(player, 'B', 0));
    EXPECT_EQ(right(8), col(player, 'A', 0));
}

TEST_F(Player, SpeedSetsTheColumnInterval) {
    struct Case {
        const char* text;
        int speed;
    };
    for (const Case c : {Case{"/S0AB", 0}, Case{"/S3AB", 3}, Case{"/S7AB", 7}, Case{"/S9AB", 7},
                         Case{"/SAB", 1}}) {
        SCOPED_TRACE(c.text);
        run(c.text);
        player.tick();
        EXPECT_EQ(player.speed(), c.speed);
        EXPECT_EQ(ticksToChange(), SignPlayer::columnMs(c.speed) / SignPlayer::TickMs);
    }
    // Slowest to fastest, strictly.
    for (int s = 1; s <= SignPlayer::MaxSpeed; ++s)
        EXPECT_LT(SignPlayer::columnMs(s), SignPlayer::columnMs(s - 1));
}

TEST_F(Player, WaitHoldsThePictureForItsSeconds) {
    struct Case {
        const char* text;
        int seconds;
        char next;
    };
    for (const Case c :
         {Case{"A/W3B", 3, 'B'}, Case{"A/5B", 5, 'B'}, Case{"A/WB", 1, 'B'}, Case{"A/b", 1, 'b'}}) {
        SCOPED_TRACE(c.text);
        run(c.text);
        ticks(1 + 7 * 5); // all of A at speed 4 (5 ticks a column)
        ASSERT_EQ(right(), col(player, 'A', 7));
        // The picture stands still for the whole pause, then the next letter comes in.
        EXPECT_EQ(ticksToChange(), 5 + c.seconds * 100);
        EXPECT_EQ(right(), col(player, c.next, 0));
    }
    // Another capital after the slash is an effect that does nothing.
    run("A/BC");
    ticks(1 + 7 * 5);
    EXPECT_EQ(ticksToChange(), 5);
    EXPECT_EQ(right(), col(player, 'C', 0));
    run("A/W0B");
    ticks(1 + 7 * 5);
    EXPECT_EQ(ticksToChange(), 5);
    EXPECT_EQ(right(), col(player, 'B', 0));
}

TEST_F(Player, ClearDarkensAndPauses) {
    run("A/Q2B");
    ticks(1 + 7 * 5);
    EXPECT_EQ(ticksToChange(), 5); // the clear itself
    for (const auto c : player.columns())
        EXPECT_EQ(c, 0);
    EXPECT_EQ(player.phase(), Phase::Pause);
    EXPECT_EQ(ticksToChange(), 200);
    EXPECT_EQ(right(), col(player, 'B', 0));
    EXPECT_EQ(right(1), 0);
}

TEST_F(Player, FillPatterns) {
    struct Case {
        const char* text;
        std::uint8_t column;
    };
    const Case cases[] = {
        {"A/F1B", 0xFF}, {"A/F2B", 0x00}, {"A/F3B", 0x80}, {"A/F4B", 0x18},
        {"A/F5B", 0xAA}, {"A/FB", 0xFF},  {"A/F0B", 0xFF}, {"A/F9B", 0xFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        run(c.text);
        ticks(1 + 8 * 5);
        for (const auto column : player.columns())
            ASSERT_EQ(column, c.column);
        // The pattern stays a second, then the text runs on over it.
        EXPECT_EQ(ticksToChange(), SignPlayer::FillHoldMs / SignPlayer::TickMs);
        EXPECT_EQ(right(), col(player, 'B', 0));
        EXPECT_EQ(right(1), c.column);
    }
}

TEST_F(Player, ShiftUpAndDownWithFilling) {
    struct Case {
        const char* code;
        std::uint8_t (*expected)(std::uint8_t start, int steps);
    };
    const Case cases[] = {
        {"/U1", [](std::uint8_t s, int n) { return std::uint8_t((s >> n) | (0xFF << (8 - n))); }},
        {"/U2", [](std::uint8_t s, int n) { return std::uint8_t(s >> n); }},
        {"/D1", [](std::uint8_t s, int n) { return std::uint8_t((s << n) | ((1 << n) - 1)); }},
        {"/D2", [](std::uint8_t s, int n) { return std::uint8_t(s << n); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        run(std::string("AAAAAAAA") + c.code + "B");
        ticks(1 + 63 * 5);
        const auto start = player.columns();
        ticks(5); // the effect is reached
        EXPECT_EQ(player.columns(), start);
        for (int step = 1; step <= 8; ++step) {
            ticks(5);
            for (std::size_t x = 0; x < start.size(); ++x)
                ASSERT_EQ(player.columns()[x], c.expected(start[x], step)) << "step " << step;
        }
        // Then the text goes on.
        const auto filled = player.columns()[0];
        ticksToChange();
        EXPECT_EQ(right(), col(player, 'B', 0));
        EXPECT_EQ(right(1), filled);
    }
}

TEST_F(Player, MovingApartLeavesTheMiddleDark) {
    run("AAAAAAAA/J1B");
    ticks(1 + 63 * 5 + 5);
    const auto start = player.columns();
    ticksToChange();
    // Left half one column to the left, right half one to the right.
    EXPECT_EQ(player.columns()[0], start[1]);
    EXPECT_EQ(player.columns()[30], start[31]);
    EXPECT_EQ(player.columns()[31], 0);
    EXPECT_EQ(player.columns()[32], 0);
    EXPECT_EQ(player.columns()[33], start[32]);
    EXPECT_EQ(player.columns()[63], start[62]);
    ticks(31 * 5);
    for (const auto c : player.columns())
        EXPECT_EQ(c, 0);
    ticksToChange();
    EXPECT_EQ(right(), col(player, 'B', 0));
}

TEST_F(Player, InversionOnAndOff) {
    run("A/I1B/N1C");
    ticks(1 + 7 * 5);
    EXPECT_FALSE(player.inverted());
    EXPECT_EQ(player.shownColumn(63), col(player, 'A', 7));
    EXPECT_TRUE(ticksToChange());
    EXPECT_TRUE(player.inverted());
    // Everything shown flips, the dark part of the display included.
    EXPECT_EQ(player.shownColumn(63), static_cast<std::uint8_t>(~col(player, 'B', 0)));
    EXPECT_EQ(player.shownColumn(0), 0xFF);
    EXPECT_TRUE(player.lit(0, 7));
    EXPECT_EQ(player.columns()[63], col(player, 'B', 0));
    ticks(7 * 5 + 5);
    EXPECT_FALSE(player.inverted());
    EXPECT_EQ(player.shownColumn(63), col(player, 'C', 0));
    EXPECT_FALSE(player.lit(0, 0));
}

TEST_F(Player, TextLeavesTheDisplayAndStartsOver) {
    run("/S7/I1A");
    const int fast = SignPlayer::columnMs(7) / SignPlayer::TickMs;
    ticks(1 + 7 * fast);
    EXPECT_EQ(right(), col(player, 'A', 7));
    // The text leaves to the left: 64 dark columns follow it.
    ticks(64 * fast);
    EXPECT_EQ(player.phase(), Phase::Tail);
    for (const auto c : player.columns())
        ASSERT_EQ(c, 0);
    // Then it begins again at the starting speed and without inversion, until its codes
    // set them again.
    ticks(fast);
    EXPECT_EQ(player.phase(), Phase::Scroll);
    EXPECT_EQ(right(), col(player, 'A', 0));
    EXPECT_TRUE(player.inverted());
    EXPECT_EQ(player.speed(), 7);
}

TEST_F(Player, NewTextStartsAfreshAndEmptyTextIsDark) {
    run("/S7/I1ABC");
    ticks(200);
    run("");
    EXPECT_EQ(player.phase(), Phase::Idle);
    EXPECT_FALSE(player.inverted());
    EXPECT_EQ(player.speed(), SignPlayer::StartSpeed);
    EXPECT_FALSE(player.tick());
    for (const auto c : player.columns())
        EXPECT_EQ(c, 0);
    // Effects alone keep running without hanging the sign.
    run("/S5/I1/N1");
    for (int i = 0; i < 1000; ++i)
        player.tick();
    EXPECT_NE(player.phase(), Phase::Idle);
}

TEST_F(Player, LastEffectNamesTheCodeRunning) {
    EXPECT_EQ(sign::effectCode(effect('S', 5)), "/S5");
    EXPECT_EQ(sign::effectCode(effect('W', 1)), "/W1"); // "/" alone, written out in full
    run("/S7A/W1B");
    EXPECT_FALSE(player.lastEffect());
    player.tick();
    ASSERT_TRUE(player.lastEffect());
    EXPECT_EQ(sign::effectCode(*player.lastEffect()), "/S7");
    while (player.phase() != Phase::Pause)
        player.tick();
    EXPECT_EQ(sign::effectCode(*player.lastEffect()), "/W1");
    // A new pass of the text has run no effect yet.
    while (player.phase() != Phase::Tail)
        player.tick();
    while (player.phase() == Phase::Tail)
        player.tick();
    EXPECT_EQ(sign::effectCode(*player.lastEffect()), "/S7");
    run("AB");
    EXPECT_FALSE(player.lastEffect());
}

TEST(SignPlayerFont, SentSymbolsReplace32To255Only) {
    SignPlayer player;
    std::array<std::uint8_t, FontTableSize> base;
    base.fill(0x11);
    player.setFont(base);
    std::array<std::uint8_t, FontPayloadSize> sent;
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<std::uint8_t>(i * 7);
    player.setSentSymbols(sent);
    EXPECT_EQ(player.font()[0], 0x11);
    EXPECT_EQ(player.font()[255], 0x11);
    EXPECT_EQ(player.font()[256], sent[0]);
    EXPECT_EQ(player.font()[2047], sent[1791]);
    EXPECT_EQ(player.font()['A' * 8 + 3], sent[('A' - 32) * 8 + 3]);
    // The text runs with the font now in place.
    player.setText(bytesOf("A"));
    player.tick();
    EXPECT_EQ(player.columns().back(), sent[('A' - 32) * 8]);
    EXPECT_EQ(player.width(), SignPlayer::DefaultWidth);
    EXPECT_EQ(SignPlayer(10).width(), SignPlayer::MinWidth);
}

} // namespace
