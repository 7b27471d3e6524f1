// Road projection, hidden-row clipping and the road-edge dots with their lamps.
#include <gtest/gtest.h>

#include "tests/support/scenefakes.h"

namespace {

constexpr ColorValue kRoad = 0x00112233;
constexpr ColorValue kLamp = 0x00445566;

struct LevelRoad : ::testing::Test {
    SceneFixture f;
    std::unique_ptr<MemorySurface> surface;

    void Make(std::int32_t width, std::int32_t height) {
        f.Settings.UpDown = 0;
        f.Settings.road_Color = kRoad;
        f.Settings.porl_Color = kLamp;
        surface = std::make_unique<MemorySurface>(width, height, f.Colors);
        f.Init(width, height, *surface);
        Project();
    }
    void Project() {
        ProjectCurve(f.State);
        f.State.RoadTop = f.State.ViewHeight;  // as StepHeight leaves it
        ProjectHeight(f.State);
    }
    // Puts pair 1 (no lamp) so that this frame's advance lands it on `row`; the rest far away.
    void PlacePair(int n, int row) {
        for (int i = 1; i <= kPairs; ++i) f.State.DotRow[i] = 100;
        f.State.DotRow[n] = static_cast<i16>(row - 1);
    }
    std::uint32_t At(int x, int y) const { return surface->Pixel(x, y); }
    std::uint32_t RoadPixel() const { return surface->ToPixel(kRoad); }
    std::uint32_t LampPixel() const { return surface->ToPixel(kLamp); }
};

TEST_F(LevelRoad, StraightLevelRoadProjectsToTheNominalPerspective) {
    Make(640, 480);
    const SceneState& s = f.State;
    for (int r = 1; r <= kLastRow; ++r) ASSERT_EQ(s.RowX[r], 0) << r;
    EXPECT_EQ(s.RowY[228], 240 + 222);
    EXPECT_EQ(s.RowY[0], 240 + 8);
    for (int r = 0; r <= kLastRow; ++r) {
        ASSERT_EQ(s.RowY[r], 240 + 2000 / (237 - r)) << r;
        ASSERT_EQ(s.RowClip[r], s.RowY[r]) << "every row is visible";
    }
    EXPECT_EQ(s.RoadTop, 248);
}

TEST_F(LevelRoad, EdgeDotsSitAt612And6PixelsFromTheCentre) {
    Make(1920, 1080);
    PlacePair(1, 228);
    DrawRoad(f.State, *surface);
    EXPECT_EQ(At(960 + 612, 540 + 222), RoadPixel());
    EXPECT_EQ(At(960 - 612, 540 + 222), RoadPixel());
    PlacePair(1, 1);  // a row of 228 wraps to 2, so reach row 1 directly
    f.State.DotRow[1] = 0;
    DrawRoad(f.State, *surface);
    EXPECT_EQ(At(960 + 6, 540 + 2000 / 236), RoadPixel());
    EXPECT_EQ(At(960 - 6, 540 + 2000 / 236), RoadPixel());
}

TEST_F(LevelRoad, PairsVanishTogetherOnceTheRoadIsWiderThanTheView) {
    Make(640, 480);
    PlacePair(1, 220);
    DrawRoad(f.State, *surface);
    const int y220 = 240 + 2000 / 17;
    EXPECT_EQ(At(635, y220), RoadPixel());
    EXPECT_EQ(At(640 - 635, y220), RoadPixel());

    PlacePair(2, 221);  // xR would be 656: neither dot is drawn
    DrawRoad(f.State, *surface);
    const int y221 = 240 + 2000 / 16;
    for (int x = 0; x < 640; ++x) ASSERT_NE(At(x, y221), RoadPixel()) << x;
}

TEST_F(LevelRoad, WideViewShowsPairsDownToTheViewersRow) {
    Make(1920, 1080);
    PlacePair(1, 228);
    DrawRoad(f.State, *surface);
    EXPECT_EQ(f.State.PrevDotRight[1].x, 1572);
    EXPECT_EQ(f.State.PrevDotLeft[1].x, 348);
}

TEST_F(LevelRoad, PairsMoveOneRowAFrameAndWrapFrom228To2) {
    Make(640, 480);
    f.State.DotRow[5] = 227;
    DrawRoad(f.State, *surface);
    EXPECT_EQ(f.State.DotRow[5], 228);
    DrawRoad(f.State, *surface);
    EXPECT_EQ(f.State.DotRow[5], 2);
    DrawRoad(f.State, *surface);
    EXPECT_EQ(f.State.DotRow[5], 3);
}

TEST_F(LevelRoad, EachDotErasesItsPreviousPixel) {
    Make(1920, 1080);
    PlacePair(1, 200);
    DrawRoad(f.State, *surface);
    const Point32 first = f.State.PrevDotRight[1];
    EXPECT_EQ(At(first.x, first.y), RoadPixel());
    DrawRoad(f.State, *surface);
    EXPECT_EQ(At(first.x, first.y), 0u);
    EXPECT_EQ(At(f.State.PrevDotRight[1].x, f.State.PrevDotRight[1].y), RoadPixel());
}

TEST_F(LevelRoad, LampsStandAboveTheirPairsOnPairs6_14And22Only) {
    Make(1920, 1080);
    for (int i = 1; i <= kPairs; ++i) f.State.DotRow[i] = static_cast<i16>(50 + 5 * i);
    DrawRoad(f.State, *surface);
    for (int n = 1; n <= kPairs; ++n) {
        const int r = f.State.DotRow[n];
        const bool lamp = n == 6 || n == 14 || n == 22;
        const int lampY = f.State.RowY[r] - (6000 / (237 - r) - 17);
        EXPECT_EQ(At(f.State.PrevDotRight[n].x, lampY) == LampPixel(), lamp) << "pair " << n;
        if (lamp) {
            EXPECT_EQ(f.State.LampY[n], lampY);
            EXPECT_EQ(At(f.State.PrevDotLeft[n].x, lampY), LampPixel());
        }
    }
}

TEST_F(LevelRoad, LampWhoseTopIsAboveTheViewIsNotDrawnEvenSeeThrough) {
    f.Settings.Trans = true;
    Make(1920, 200);  // half height 100: the lamp at row 220 is 335 pixels tall
    PlacePair(6, 220);
    DrawRoad(f.State, *surface);
    EXPECT_LE(f.State.LampY[6], 0);
    for (int x = 0; x < 1920; ++x) ASSERT_NE(At(x, 0), LampPixel());
    EXPECT_EQ(f.State.PrevLampRight[6].y, f.State.LampY[6]);
}

TEST_F(LevelRoad, LampLandingOnTheTopRowIsNotDrawnButOneRowLowerIs) {
    f.Settings.Trans = true;
    // Row 220: the road point lies 117 pixels below the half height, the lamp 335 above it.
    for (const auto& [height, lampY] : {std::pair{436, 0}, std::pair{438, 1}}) {
        Make(1920, height);
        PlacePair(6, 220);
        DrawRoad(f.State, *surface);
        ASSERT_EQ(f.State.LampY[6], lampY);
        const bool drawn = lampY > 0;
        EXPECT_EQ(At(f.State.PrevLampRight[6].x, lampY) == LampPixel(), drawn) << height;
        EXPECT_EQ(At(f.State.PrevLampLeft[6].x, lampY) == LampPixel(), drawn) << height;
    }
}

TEST_F(LevelRoad, RowMarkedHiddenDrawsNothingButStillErases) {
    f.Settings.Trans = true;
    Make(1920, 1080);
    PlacePair(1, 100);
    DrawRoad(f.State, *surface);
    const Point32 before = f.State.PrevDotRight[1];
    f.State.RowX[101] = 8191;
    DrawRoad(f.State, *surface);
    EXPECT_EQ(At(before.x, before.y), 0u);
    EXPECT_EQ(f.State.PrevDotRight[1].x, before.x) << "the erased position is kept";
}

TEST_F(LevelRoad, LaterPairsEraseWinsWhereTwoPairsMeet) {
    Make(1920, 1080);
    // Pair 2 is drawn first (pairs run from 25 down); pair 1's erase of a pixel at the same
    // place then blacks it out for this frame.
    PlacePair(2, 150);
    DrawRoad(f.State, *surface);
    const Point32 drawn = f.State.PrevDotRight[2];
    f.State.PrevDotRight[1] = drawn;
    f.State.DotRow[2] = 149;  // pair 2 draws at the same place again
    f.State.DotRow[1] = 100;
    f.State.PrevDotRight[2] = Point32{0, 0};
    DrawRoad(f.State, *surface);
    EXPECT_EQ(f.State.PrevDotRight[2].x, drawn.x);
    EXPECT_EQ(At(drawn.x, drawn.y), 0u);
}

TEST(RoadCurve, BendUnderTheViewerGrowsTowardTheHorizon) {
    SceneState s;
    s.RowBend[228] = 4;
    s.Bend = 0;
    ProjectCurve(s);
    EXPECT_EQ(s.RowX[228], 0);
    EXPECT_EQ(s.RowX[227], 1);
    EXPECT_EQ(s.RowX[1], 114);
    for (int r = 1; r <= kLastRow; ++r) ASSERT_EQ(s.RowX[r], 4 * (229 - r) >> 3) << r;
}

TEST(RoadCurve, ProjectCurveStoresTheCurrentBendInRowOne) {
    SceneState s;
    s.Bend = -3;
    ProjectCurve(s);
    EXPECT_EQ(s.RowBend[1], -3);
    EXPECT_EQ(s.RowX[1], (-3) >> 3);
}

TEST(RoadCurve, LateralSumOutsideItsRangeMarksRowsHidden) {
    SceneState s;
    for (int r = 1; r <= kLastRow; ++r) s.RowBend[r] = 30000 / 228;  // a sharp, impossible turn
    s.Bend = s.RowBend[1];
    ProjectCurve(s);
    bool sawHidden = false;
    for (int r = kLastRow; r >= 1; --r) {
        if (s.RowX[r] == 8191)
            sawHidden = true;
        else
            ASSERT_FALSE(sawHidden) << "once hidden, farther rows stay hidden for this turn";
    }
    EXPECT_TRUE(sawHidden);
    EXPECT_NE(s.RowX[228], 8191);
}

// A dip ahead on a 1920 x 1080 view: rows 0..120 lie 400 units deeper than the near rows.
// Projects it and returns the farthest row below the crest line, -1 if none.
int ProjectDipBehindACrest(SceneFixture& f, MemorySurface& surface) {
    f.Init(1920, 1080, surface);
    for (int r = 0; r <= 120; ++r) f.State.RowHeight(r) = 400;
    ProjectCurve(f.State);
    f.State.RoadTop = f.State.ViewHeight;
    ProjectHeight(f.State);
    int hiddenRow = -1;
    for (int r = 0; r <= kLastRow; ++r)
        if (U16(f.State.RowY[r]) > U16(f.State.RowClip[r])) hiddenRow = r;
    return hiddenRow;
}

TEST(RoadHeight, RowBehindACrestIsClippedButItsLampCanShow) {
    SceneFixture f;
    f.Settings.road_Color = kRoad;
    f.Settings.porl_Color = kLamp;
    MemorySurface surface(1920, 1080, f.Colors);
    const int hiddenRow = ProjectDipBehindACrest(f, surface);
    ASSERT_GE(hiddenRow, 0) << "some far row lies below the crest line";
    EXPECT_LE(U16(f.State.RoadTop), U16(f.State.RowY[0]));

    for (int i = 1; i <= kPairs; ++i) f.State.DotRow[i] = 200;
    f.State.DotRow[6] = static_cast<i16>(hiddenRow - 1);
    DrawRoad(f.State, surface);
    const int r = hiddenRow;
    EXPECT_NE(surface.Pixel(f.State.HalfWidth + 1, f.State.RowY[r]), surface.ToPixel(kRoad));
    EXPECT_EQ(f.State.PrevDotRight[6].x, 0) << "a hidden dot is not drawn without see-through";
    const bool lampShows = U16(f.State.LampY[6]) <= U16(f.State.RowClip[r]) && f.State.LampY[6] > 0;
    EXPECT_EQ(surface.Pixel(f.State.PrevLampRight[6].x, f.State.LampY[6]) == surface.ToPixel(kLamp),
              lampShows);
}

TEST(RoadHeight, SeeThroughDrawsDotsHiddenBehindACrest) {
    SceneFixture f;
    f.Settings.Trans = true;
    MemorySurface surface(1920, 1080, f.Colors);
    const int hiddenRow = ProjectDipBehindACrest(f, surface);
    ASSERT_GE(hiddenRow, 0);
    for (int i = 1; i <= kPairs; ++i) f.State.DotRow[i] = 200;
    f.State.DotRow[1] = static_cast<i16>(hiddenRow - 1);
    DrawRoad(f.State, surface);
    EXPECT_EQ(f.State.PrevDotRight[1].y, f.State.RowY[hiddenRow]);
}

TEST(RoadHeight, RowsAboveTheTopEdgeNeitherLowerRoadTopNorShow) {
    SceneState s;
    s.ViewHeight = 100;
    s.HalfHeight = 50;
    s.RoadTop = 100;
    // The road far ahead rises steeply: far rows project above the view (negative y).
    for (int r = 0; r <= 50; ++r) s.RowHeight(r) = -12000;
    ProjectHeight(s);
    bool sawNegative = false;
    for (int r = 0; r <= kLastRow; ++r) {
        if (s.RowY[r] < 0) {
            sawNegative = true;
            EXPECT_GT(U16(s.RowY[r]), U16(s.RowClip[r])) << r;
        }
    }
    EXPECT_TRUE(sawNegative);
    EXPECT_GE(s.RoadTop, 0);
}

TEST(RoadHeight, DepthBeyondTheQuotientsRangeIsClampedNotAFault) {
    // Heights at the viewer's rows are 0, so the depth sum at row r is the height of row r - 2:
    // only row 2 sees the extreme value. Above 31267 the depth plus the eye's 1500 wraps to a
    // negative 16-bit value, so the row is thrown far up instead of far down.
    for (const auto& [height, expectedY] :
         {std::pair{-26500, 540 - 32768 / 235}, std::pair{24000, 540 + 32767 / 235},
          std::pair{-20000, 540 + (2000 * -18500 / 1500) / 235},
          std::pair{31267, 540 + 32767 / 235}, std::pair{31268, 540 - 32768 / 235},
          std::pair{32767, 540 - 32768 / 235}}) {
        SceneState s;
        s.ViewHeight = 1080;
        s.HalfHeight = 540;
        s.RoadTop = 1080;
        s.RowHeight(0) = static_cast<i16>(height);
        ProjectHeight(s);
        EXPECT_EQ(s.RowY[2], expectedY) << "height " << height;
        for (int r = 0; r <= kLastRow; ++r)
            if (r != 2) {
                ASSERT_EQ(s.RowY[r], 540 + 2000 / (237 - r)) << r;
            }
    }
}

}  // namespace
