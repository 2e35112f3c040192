// The simulated sign's line pacing and the placement of its window.

#include "LinePacer.h"
#include "base/WindowPlacement.h"

#include <gtest/gtest.h>

namespace {

using sign::LinePacer;
using Rect = QRect;
using namespace std::chrono_literals;

TEST(LinePacer, DeliversElevenBitTimesAByteFromTheFirstArrival) {
    struct Case {
        std::chrono::milliseconds elapsed;
        std::size_t bytes;
    };
    // 1200 baud, 11 bits a byte: 9.1666 ms a byte, 109 bytes in a second.
    for (const Case c : {Case{0ms, 0}, Case{9ms, 0}, Case{10ms, 1}, Case{18ms, 1}, Case{19ms, 2},
                         Case{1000ms, 109}, Case{18300ms, 1996}, Case{-5ms, 0}}) {
        SCOPED_TRACE(c.elapsed.count());
        EXPECT_EQ(LinePacer::bytesIn(c.elapsed), c.bytes);
    }

    LinePacer pacer;
    const auto t0 = LinePacer::Clock::now();
    EXPECT_EQ(pacer.allowance(t0 + 1s), 0u); // idle: nothing is due
    pacer.start(t0);
    EXPECT_TRUE(pacer.running());
    EXPECT_EQ(pacer.allowance(t0), 0u);
    EXPECT_EQ(pacer.allowance(t0 + 100ms), 10u);
    pacer.take(10);
    EXPECT_EQ(pacer.allowance(t0 + 100ms), 0u);
    EXPECT_EQ(pacer.allowance(t0 + 1s), 99u);
    // A line that ran dry starts afresh: the idle time is not made up for.
    pacer.stop();
    EXPECT_FALSE(pacer.running());
    pacer.start(t0 + 60s);
    EXPECT_EQ(pacer.allowance(t0 + 60s + 50ms), 5u);
}

TEST(WindowPlacement, ParsesARectangle) {
    EXPECT_EQ(placement::parseRect(u"195,109,592,440"), (Rect{195, 109, 592, 440}));
    EXPECT_EQ(placement::parseRect(u"-10,0,1,1"), (Rect{-10, 0, 1, 1}));
    for (const char* bad :
         {"", "1,2,3", "1,2,3,4,5", "1,2,0,4", "1,2,3,-4", "a,2,3,4", "1, 2,3,4", "1,2,3,4 "}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(placement::parseRect(QString::fromLatin1(bad)), std::nullopt);
    }
}

TEST(WindowPlacement, BesideTheOtherWindowNeverOverIt) {
    const Rect main{195, 109, 592, 440}; // the uploader's window
    struct Case {
        const char* what;
        Rect screen;
        Rect other;
        int width, height;
        Rect expected;
    };
    const std::vector<Case> cases = {
        // Room on the right: level with the window, past its frame.
        {"right", {0, 0, 1920, 1080}, main, 600, 130, {195 + 592 + 16 + 8, 109, 600, 130}},
        // Too wide for the right: below, along its left edge.
        {"below", {0, 0, 1280, 1024}, main, 982, 130, {195, 109 + 440 + 40 + 8, 982, 130}},
        // Below, pulled inside the screen sideways.
        {"below, pulled in", {0, 0, 1100, 1024}, main, 982, 130, {1100 - 998, 597, 982, 130}},
        // The window near the right and bottom edges: to its left.
        {"left", {0, 0, 1920, 1080}, {1200, 500, 592, 440}, 600, 130, {576, 500, 600, 130}},
        // Only above is left.
        {"above", {0, 0, 1000, 1000}, {0, 700, 984, 260}, 600, 130, {0, 522, 600, 130}},
        // Nothing fits: below all the same, off the bottom rather than over the window.
        {"no room", {0, 0, 800, 600}, main, 982, 130, {0, 597, 982, 130}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Rect placed = placement::placeBeside(c.other, c.width, c.height, c.screen);
        EXPECT_EQ(placed, c.expected);
        // Frames included, the two windows never overlap.
        const QMargins frame(0, 0, placement::FrameWidth, placement::FrameHeight);
        EXPECT_FALSE(c.other.marginsAdded(frame).intersects(placed.marginsAdded(frame)));
    }
}

} // namespace
