// The shooting star's life: waiting, falling, vanishing at the edges, near the road or at random.
#include <gtest/gtest.h>

#include "tests/support/scenefakes.h"

namespace {

struct Comet : ::testing::Test {
    DefaultSystemColors colors;
    MemorySurface surface{640, 480, colors};
    ScriptedRandom random;
    SceneState s;

    void SetUp() override {
        s.ViewWidth = 640;
        s.ViewHeight = 480;
        s.RoadTop = 248;
        s.CometStartBand = 48;
        s.CometColor = clWhite;
        s.CometWait = 0;
    }
    // One step from (x - dx, y - 3) so that the moved position is (x, y).
    void StepTo(std::int32_t x, std::int32_t y, std::uint32_t vanishDraw = 999) {
        s.CometWait = 0;
        s.CometDX = 2;
        s.CometX = x - 2;
        s.CometY = y - 3;
        random.Script = {vanishDraw, 1500, 300, 20, 3, 1};
        StepComet(s, surface, random);
    }
    // A reset draws a new wait; the scripts never give 0, so a wait means the star has gone.
    bool Reset() const { return s.CometWait != 0; }
};

TEST_F(Comet, SurvivesAtTheRightEdgeButNotOnePixelBeyond) {
    StepTo(640, 100);
    EXPECT_FALSE(Reset());
    EXPECT_EQ(s.CometX, 640);
    StepTo(641, 100, 1500);
    EXPECT_TRUE(Reset());
}

TEST_F(Comet, SurvivesAtColumnZeroButNotAtMinusOne) {
    StepTo(0, 100);
    EXPECT_FALSE(Reset());
    EXPECT_EQ(surface.Pixel(0, 100), 0xFFFFFFu);
    StepTo(-1, 100, 1500);
    EXPECT_TRUE(Reset());
}

TEST_F(Comet, IsDrawnDownTo25RowsAboveTheRoadTop) {
    StepTo(300, 223);
    EXPECT_FALSE(Reset());
    EXPECT_EQ(surface.Pixel(300, 223), 0xFFFFFFu);
    StepTo(300, 224, 1500);
    EXPECT_TRUE(Reset());
    EXPECT_NE(surface.Pixel(300, 224), 0xFFFFFFu);
}

TEST_F(Comet, VanishesAtRandomFiveTimesInAThousandWithoutLeavingAPixel) {
    StepTo(300, 100);
    const Point32 drawn{s.CometX, s.CometY};
    EXPECT_EQ(surface.Pixel(drawn.x, drawn.y), 0xFFFFFFu);
    s.CometX = 298;
    s.CometY = 100;
    random.Script = {4, 1500, 300, 20, 3, 1};  // 4 < 5: gone
    StepComet(s, surface, random);
    EXPECT_TRUE(Reset());
    EXPECT_EQ(surface.Pixel(drawn.x, drawn.y), 0u) << "the last drawn pixel was erased";
    EXPECT_EQ(surface.Pixel(300, 103), 0u) << "nothing drawn where it vanished";
    EXPECT_EQ(s.PrevCometX, 300);
    EXPECT_EQ(s.PrevCometY, 103);
}

TEST_F(Comet, TheRandomDrawIsMadeOnlyWhenThePositionTestsPass) {
    StepTo(700, 100, 1500);
    ASSERT_GE(random.Ranges.size(), 1u);
    EXPECT_EQ(random.Ranges[0], 3000u) << "went straight to the reset's five draws";
    random.Ranges.clear();
    StepTo(300, 100);
    EXPECT_EQ(random.Ranges[0], 1000u);
}

TEST_F(Comet, DriftsWithTheSkyAfterTheShift) {
    s.RowBend[kLastRow] = 3;
    s.CometX = 200;
    s.CometY = 10;
    s.CometDX = -4;
    random.Script = {999};
    StepComet(s, surface, random);
    EXPECT_EQ(s.CometX, 200 - 3 - 4);
    EXPECT_EQ(s.CometY, 13);
}

TEST_F(Comet, ResetDrawsWaitPositionDriftAndColourInOrder) {
    random.Script = {2999, 639, 47, 2, 3};
    ResetComet(s, random);
    EXPECT_EQ(s.CometWait, 2999);
    EXPECT_EQ(s.CometX, 639);
    EXPECT_EQ(s.CometY, 47);
    EXPECT_EQ(s.CometDX, -6);
    EXPECT_EQ(s.CometColor, 0x00800000);  // navy
    ASSERT_EQ(random.Ranges.size(), 5u);
    EXPECT_EQ(random.Ranges[0], 3000u);
    EXPECT_EQ(random.Ranges[1], 640u);
    EXPECT_EQ(random.Ranges[2], 48u);
    EXPECT_EQ(random.Ranges[3], 5u);
    EXPECT_EQ(random.Ranges[4], 5u);
}

TEST_F(Comet, TinyViewStartsEveryShootingStarInRowZero) {
    s.CometStartBand = 0;
    random.Script = {10, 10, 1234, 0, 0};
    ResetComet(s, random);
    EXPECT_EQ(s.CometY, 0);
}

TEST_F(Comet, FromTheTopRowItFalls74StepsBeforeTheLevelRoadEndsIt) {
    s.CometX = 300;
    s.CometY = 0;
    s.CometDX = 0;
    int drawn = 0;
    for (int step = 0; step < 100; ++step) {
        random.Script = {999, 1500, 300, 20, 3, 1};
        StepComet(s, surface, random);
        if (Reset()) break;
        ++drawn;
    }
    EXPECT_EQ(drawn, 74);
}

}  // namespace
