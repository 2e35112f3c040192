#include "info/PictureFit.h"

#include <gtest/gtest.h>

namespace {

using info::PictureSize;

struct FitCase {
    PictureSize client;
    PictureSize shown;
};

class DiagramDisplaySize : public ::testing::TestWithParam<FitCase> {};

TEST_P(DiagramDisplaySize, FollowsTheDisplayRule) {
    const FitCase& c = GetParam();
    const PictureSize shown = info::diagramDisplaySize(c.client);
    EXPECT_EQ(shown.width, c.shown.width);
    EXPECT_EQ(shown.height, c.shown.height);
}

INSTANTIATE_TEST_SUITE_P(
    ClientAreas, DiagramDisplaySize,
    ::testing::Values(
        // The window's own client area: natural size, one background column at the right.
        FitCase{{641, 250}, {640, 250}}, FitCase{{640, 250}, {640, 250}},
        // Never enlarged, whatever the room.
        FitCase{{1000, 600}, {640, 250}},
        // Narrower: the width rules, the height follows with the fraction dropped.
        FitCase{{500, 250}, {500, 195}}, FitCase{{639, 250}, {639, 249}},
        FitCase{{320, 125}, {320, 125}},
        // Lower: the height rules once the width would make the picture too high.
        FitCase{{641, 100}, {256, 100}}, FitCase{{640, 249}, {637, 249}},
        FitCase{{1000, 1}, {2, 1}},
        // Narrower and lower: whichever side is tighter rules.
        FitCase{{300, 200}, {300, 117}}, FitCase{{300, 50}, {128, 50}},
        // Nothing to draw into.
        FitCase{{0, 250}, {0, 0}}, FitCase{{641, 0}, {0, 0}}, FitCase{{-5, -5}, {0, 0}}));

TEST(FitPicture, TallPictureKeepsItsProportionsToo) {
    EXPECT_EQ(info::fitPicture({100, 200}, {100, 100}), (PictureSize{50, 100}));
    EXPECT_EQ(info::fitPicture({100, 200}, {40, 500}), (PictureSize{40, 80}));
    EXPECT_EQ(info::fitPicture({100, 200}, {400, 500}), (PictureSize{100, 200}));
}

TEST(FitPicture, AnEmptyPictureTakesNoRoom) {
    EXPECT_EQ(info::fitPicture({0, 0}, {100, 100}), (PictureSize{0, 0}));
    EXPECT_EQ(info::fitPicture({0, 10}, {5, 5}), (PictureSize{0, 0}));
}

} // namespace
