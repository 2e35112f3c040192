#include "sign/SignReplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

namespace {

using sign::SignPlayer;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::array<std::uint8_t, FontTableSize> fontOf(std::uint8_t seed) {
    std::array<std::uint8_t, FontTableSize> font{};
    for (std::size_t i = 256; i < font.size(); ++i)
        font[i] = static_cast<std::uint8_t>(i * 13 + seed) | 1;
    return font;
}

// Everything the display shows, and the next ticks: the hidden countdowns must agree too.
void expectSame(SignPlayer& a, SignPlayer& b) {
    for (int t = 0; t < 300; ++t) {
        ASSERT_EQ(a.columns(), b.columns()) << "tick " << t;
        ASSERT_EQ(a.inverted(), b.inverted());
        ASSERT_EQ(a.speed(), b.speed());
        ASSERT_EQ(a.phase(), b.phase());
        ASSERT_EQ(a.runningAt(), b.runningAt());
        ASSERT_EQ(a.lastEffect(), b.lastEffect());
        a.tick();
        b.tick();
    }
}

TEST(SignReplay, ElapsedTimeLandsWhereTickingStraightThroughDoes) {
    const auto font = fontOf(0);
    const std::vector<std::string_view> texts = {
        "AB",
        "/S7/I1Hi/N1 /W2/F3/U1x/D2/J1/S0yz/Q1",
        "/S5", // effects only: the display stays dark, the passes still turn
        "",
    };
    // In ticks, rising: at once, inside the first pass, around its end, hours later.
    const std::vector<std::int64_t> elapsed = {
        0, 1, 2, 57, 1000, 1999, 2000, 2001, 4321, 77777, 2 * 3600 * 100 + 13};
    for (const auto text : texts) {
        SCOPED_TRACE(text);
        SignPlayer straight(64);
        straight.setFont(font);
        straight.setText(bytesOf(text));
        std::int64_t ticked = 0;
        std::int64_t known = 0;
        for (const auto ticks : elapsed) {
            SCOPED_TRACE(ticks);
            for (; ticked < ticks; ++ticked)
                straight.tick();
            // Measured here, and from the pass an earlier call measured.
            for (const bool measure : {true, false}) {
                SignPlayer replayed(64), copy = straight;
                replayed.setFont(font);
                const auto pass = sign::playTo(replayed, bytesOf(text), ticks, measure ? 0 : known);
                if (measure && pass > 0)
                    known = pass;
                EXPECT_EQ(pass, measure && pass == 0 ? 0 : known);
                expectSame(replayed, copy);
            }
        }
        // Once the ticks went past a pass, it was measured (an empty text never passes).
        EXPECT_EQ(known > 0, !text.empty());
    }
}

TEST(SignReplay, FrameAndFontAsTheyWent) {
    const auto memory = fontOf(0);
    const auto sent = fontOf(7);
    TxFrame text, fontFrame;
    ASSERT_TRUE(text.BuildTextFrame(bytesOf("A")));
    fontFrame.BuildFontFrame(sent);
    const Bytes textBytes(text.frame().begin(), text.frame().end());
    const Bytes fontBytes(fontFrame.frame().begin(), fontFrame.frame().end());
    Bytes cut = textBytes;
    cut.resize(cut.size() - 2);

    struct Case {
        const char* name;
        Bytes frame, font;
        bool ok;
        sign::ReplayFont used;
        bool fontRejected;
    };
    const std::vector<Case> cases = {
        {"memory font", textBytes, {}, true, sign::ReplayFont::InMemory, false},
        {"last font", textBytes, fontBytes, true, sign::ReplayFont::LastSent, false},
        {"font frame garbled", textBytes, Bytes(300, 0x41), true, sign::ReplayFont::InMemory, true},
        {"text frame cut short", cut, fontBytes, false, sign::ReplayFont::LastSent, false},
        {"a font frame for a text", fontBytes, {}, false, sign::ReplayFont::InMemory, false},
        {"nothing", {}, {}, false, sign::ReplayFont::InMemory, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SignPlayer player(64);
        // 30 ms: the first column of "A" and nothing more at the starting speed.
        const auto r = sign::replayFrame(player, c.frame, c.font, memory, 30ms);
        EXPECT_EQ(r.ok(), c.ok) << r.error;
        EXPECT_EQ(r.font, c.used);
        EXPECT_EQ(r.fontFrameRejected, c.fontRejected);
        const auto& shown = c.used == sign::ReplayFont::LastSent ? sent : memory;
        EXPECT_EQ(player.columns().back(), c.ok ? shown['A' * 8] : 0);
        EXPECT_EQ(player.phase() == SignPlayer::Phase::Idle, !c.ok);
    }
    // A clock behind the agent's gives a time before the upload: the text's start.
    SignPlayer early(64), start(64);
    sign::replayFrame(early, textBytes, {}, memory, -5000ms);
    start.setFont(memory);
    start.setText(bytesOf("A"));
    expectSame(early, start);
}

} // namespace
