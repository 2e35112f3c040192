#include "editor/LengthMonitor.h"
#include "editor/MessageFile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    std::int64_t length;
    bool longLimit;
    bool within;
    std::int64_t shown;
    bool minutes;
    std::int64_t time;
};

class LengthReading : public ::testing::TestWithParam<Case> {};

TEST_P(LengthReading, FollowsTheLimitAndTheUploadRate) {
    const Case c = GetParam();
    const lengthmonitor::Reading r = lengthmonitor::read(c.length, c.longLimit);
    EXPECT_EQ(r.withinLimit, c.within) << c.length;
    EXPECT_EQ(r.shown, c.shown) << c.length;
    EXPECT_EQ(r.inMinutes, c.minutes) << c.length;
    EXPECT_EQ(r.time, c.time) << c.length;
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, LengthReading,
    ::testing::Values(
        // length, long limit, within, shown, minutes, time
        Case{0, false, true, 0, false, 2}, Case{119, false, true, 119, false, 2},
        Case{120, false, true, 120, false, 3}, Case{5999, false, true, 5999, false, 51},
        Case{6000, false, false, 0, false, 52}, Case{6001, false, false, 1, false, 52},
        Case{7439, false, false, 1439, false, 63}, Case{7440, false, false, 1440, true, 1},
        Case{14399, false, false, 8399, true, 1}, Case{14400, false, false, 8400, true, 2},
        Case{6000, true, true, 6000, false, 52}, Case{60001, true, true, 60001, true, 8},
        Case{60002, true, false, 0, true, 8}, Case{65500, true, false, 5498, true, 9},
        Case{60002, false, false, 54002, true, 8}));

TEST(LengthMonitor, LimitsAreNotTheNumbersOfTheCaptions) {
    EXPECT_EQ(lengthmonitor::limitFor(false), 6000);
    EXPECT_EQ(lengthmonitor::limitFor(true), 60002);
}

TEST(LengthMonitor, EachLineBreakCountsTwo) {
    EXPECT_EQ(lengthmonitor::textLength(0, 0), 0);
    EXPECT_EQ(lengthmonitor::textLength(2, 2), 4);   // two breaks and nothing else
    EXPECT_EQ(lengthmonitor::textLength(13, 3), 16); // "ab\ncd\n\nefghij"
}

TEST(MessageFile, EveryKindOfLineBreakBecomesOneLf) {
    const struct {
        std::string file;
        std::string editor;
    } cases[] = {
        {"one\r\ntwo\r\n", "one\ntwo\n"},
        {"unix\nlines\n", "unix\nlines\n"},
        {"old\rmac\r", "old\nmac\n"},
        {"mixed\r\nlf\ncr\rend", "mixed\nlf\ncr\nend"},
        {"\r\r\n\n", "\n\n\n"},
        {"no break", "no break"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(messagefile::withLfBreaks(c.file), c.editor) << c.file;
}

TEST(MessageFile, ControlBytesAndHighBytesStay) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        if (b != '\r')
            all.push_back(static_cast<char>(b));
    EXPECT_EQ(messagefile::withLfBreaks(all), all);
    const std::string nul("a\0b\r\n\0", 6);
    EXPECT_EQ(messagefile::withLfBreaks(nul), std::string("a\0b\n\0", 5));
}

} // namespace
