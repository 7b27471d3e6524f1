// Stars and town lights: set-up ranges, sideways and vertical wrap, the star climb.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/scenefakes.h"

namespace {

struct Sky : ::testing::Test {
    SceneFixture f;
    std::unique_ptr<MemorySurface> surface;

    void Make(std::int32_t width, std::int32_t height) {
        surface = std::make_unique<MemorySurface>(width, height, f.Colors);
        f.Init(width, height, *surface);
        // A level straight road: the far row sits 8 below the eye, so the sky holds still.
        f.State.RowY[0] = Wrap16(f.State.HalfHeight + 8);
        f.State.RowBend[kLastRow] = 0;
    }
    void Turn(i16 bend) { f.State.RowBend[kLastRow] = bend; }
};

TEST_F(Sky, SetUpPlacesStarsInTheTopThirdAndTownLightsJustAboveTheMiddle) {
    Make(640, 480);
    const SceneState& s = f.State;
    for (int i = 0; i < kStars; ++i) {
        ASSERT_GE(s.StarX[i], 0);
        ASSERT_LT(s.StarX[i], 640);
        ASSERT_GE(s.StarY[i], 0);
        ASSERT_LT(s.StarY[i], 160);
    }
    for (int i = 0; i < kTownLights; ++i) {
        ASSERT_LE(s.TownY[i], 240);
        ASSERT_GE(s.TownY[i], i <= 160 ? 236 : 231) << i;
    }
    EXPECT_EQ(s.StarBandHeight, 160);
    EXPECT_EQ(s.SkyBaseY, 240);
    EXPECT_EQ(s.SkyFrameCount, 0);
}

TEST_F(Sky, LayerColoursFollowTheIndexTable) {
    f.Settings.star1_Color = 1;
    f.Settings.star2_Color = 2;
    f.Settings.star3_Color = 3;
    f.Settings.town1_Color = 4;
    f.Settings.town2_Color = 5;
    f.Settings.town3_Color = 6;
    Make(640, 480);
    const SceneState& s = f.State;
    EXPECT_EQ(std::count(std::begin(s.StarColor), std::end(s.StarColor), 1), 46);
    EXPECT_EQ(s.StarColor[45], 1);
    EXPECT_EQ(s.StarColor[46], 2);
    EXPECT_EQ(s.StarColor[55], 2);
    EXPECT_EQ(s.StarColor[56], 3);
    EXPECT_EQ(std::count(std::begin(s.TownColor), std::end(s.TownColor), 4), 216);
    EXPECT_EQ(s.TownColor[240], 5);
    EXPECT_EQ(s.TownColor[241], 6);
}

TEST_F(Sky, NothingMovesOnALevelStraightRoad) {
    Make(640, 480);
    const SceneState before = f.State;
    StepSky(f.State, *surface);
    for (int i = 0; i < kStars; ++i) {
        ASSERT_EQ(f.State.StarX[i], before.StarX[i]);
        if (before.StarY[i] != 0) {
            ASSERT_EQ(f.State.StarY[i], before.StarY[i]);
        }
    }
    for (int i = 0; i < kTownLights; ++i) ASSERT_EQ(f.State.TownY[i], before.TownY[i]);
}

TEST_F(Sky, StarPushedPastTheLeftEdgeGoesToTheRightEdgeButTownLightsCarryTheOvershoot) {
    Make(640, 480);
    f.State.StarX[10] = 3;
    f.State.TownX[10] = 3;
    Turn(5);
    StepSky(f.State, *surface);
    EXPECT_EQ(f.State.StarX[10], 640);
    EXPECT_EQ(f.State.TownX[10], 638);
}

TEST_F(Sky, DotsPastTheRightEdgeWrapToTheLeft) {
    Make(640, 480);
    f.State.StarX[3] = 639;
    f.State.TownX[3] = 639;
    Turn(-3);
    StepSky(f.State, *surface);
    EXPECT_EQ(f.State.StarX[3], 2);
    EXPECT_EQ(f.State.TownX[3], 2);
}

TEST_F(Sky, ColumnZeroIsNeverLitBySkyDots) {
    Make(320, 240);
    for (int frame = 0; frame < 500; ++frame) {
        Turn(static_cast<i16>(frame % 9 - 4));
        StepSky(f.State, *surface);
        for (int i = 0; i < kStars; ++i) ASSERT_NE(f.State.StarX[i], 0);
        for (int i = 0; i < kTownLights; ++i) ASSERT_NE(f.State.TownX[i], 0);
    }
}

TEST_F(Sky, StarsWrapVerticallyWithinTheirBand) {
    Make(640, 480);
    f.State.StarY[0] = 2;
    f.State.StarY[1] = 158;
    f.State.RowY[0] = Wrap16(240 + 8 - 5);  // the far road rises 5 rows: the sky moves up 5
    StepSky(f.State, *surface);
    EXPECT_EQ(f.State.StarY[0], 160);
    EXPECT_EQ(f.State.StarY[1], 153);
    f.State.RowY[0] = Wrap16(240 + 8 + 5);  // and down 10 from there
    StepSky(f.State, *surface);
    EXPECT_EQ(f.State.StarY[0], 10);  // 170 exceeds the band by 10
    EXPECT_EQ(f.State.StarY[1], 163 - 160);
}

TEST_F(Sky, TownLightsFollowTheFarRoadUpAndDownWithoutWrapping) {
    Make(640, 480);
    const i16 y = f.State.TownY[7];
    f.State.RowY[0] = Wrap16(240 + 8 + 300);
    StepSky(f.State, *surface);
    EXPECT_EQ(f.State.TownY[7], y + 300);
    EXPECT_EQ(f.State.SkyBaseY, 540);
}

TEST_F(Sky, StarsClimbOneRowEveryFiftiethFrameOnlyWithStarScroll) {
    for (bool scroll : {false, true}) {
        f = SceneFixture{};
        f.Settings.StarScroll = scroll;
        Make(640, 480);
        f.State.StarY[4] = 1;
        f.State.StarY[5] = 100;
        for (int frame = 1; frame <= 49; ++frame) StepSky(f.State, *surface);
        EXPECT_EQ(f.State.StarY[5], 100);
        StepSky(f.State, *surface);  // frame 50
        EXPECT_EQ(f.State.StarY[5], scroll ? 99 : 100);
        EXPECT_EQ(f.State.StarY[4], scroll ? 0 : 1);
        EXPECT_EQ(f.State.SkyFrameCount, 0);
        if (scroll) {
            EXPECT_EQ(surface->Pixel(f.State.StarX[4], 0), surface->ToPixel(f.State.StarColor[4]));
            StepSky(f.State, *surface);  // row 0 wraps to the band's bottom
            EXPECT_EQ(f.State.StarY[4], 160);
        }
    }
}

TEST_F(Sky, EachDotErasesWhereItWasLastDrawn) {
    Make(640, 480);
    f.State.StarX[0] = 100;
    f.State.StarY[0] = 50;
    f.State.PrevStar[0] = Point32{100, 50};
    f.State.StarColor[0] = clWhite;
    StepSky(f.State, *surface);
    EXPECT_EQ(surface->Pixel(100, 50), 0xFFFFFFu);
    Turn(1);
    StepSky(f.State, *surface);
    EXPECT_EQ(surface->Pixel(100, 50), 0u);
    EXPECT_EQ(surface->Pixel(99, 50), 0xFFFFFFu);
}

TEST(SkyBand, UsesIntegerDivisionOfTheViewHeight) {
    SceneFixture f;
    MemorySurface surface(100, 100, f.Colors);
    f.Init(100, 100, surface);
    EXPECT_EQ(f.State.StarBandHeight, 33);
    EXPECT_EQ(f.State.CometStartBand, 10);
}

}  // namespace
