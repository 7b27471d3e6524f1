// Initialisation, the frame's fixed order, the banner and its end, the banner font rule, and a
// frame's freedom from allocation.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/support/allocationcounter.h"
#include "tests/support/scenefakes.h"

namespace {

TEST(InitScene, HalvesTheViewTruncatingAndStartsRoadTopAtTheEyeLevel) {
    SceneFixture f;
    MemorySurface surface(641, 481, f.Colors);
    f.Init(641, 481, surface);
    EXPECT_EQ(f.State.HalfWidth, 320);
    EXPECT_EQ(f.State.HalfHeight, 240);
    EXPECT_EQ(f.State.RoadTop, 240);
    EXPECT_EQ(f.State.DotRow[1], 0);
    EXPECT_EQ(f.State.DotRow[25], 216);
    EXPECT_EQ(f.State.BendCount, 40);
    EXPECT_EQ(f.State.HillCount, 50);
    EXPECT_EQ(f.State.ViewRect.Right, 641);
    EXPECT_EQ(f.State.ViewRect.Bottom, 481);
}

TEST(InitScene, KeepsOnlyTheLowEightBitsOfUpDown) {
    SceneFixture f;
    f.Settings.UpDown = 256;
    MemorySurface surface(64, 64, f.Colors);
    f.Init(64, 64, surface);
    EXPECT_EQ(f.State.HillLevel, 0);
    f.Settings.UpDown = 259;
    f.Init(64, 64, surface);
    EXPECT_EQ(f.State.HillLevel, 3);
}

TEST(InitScene, ViewSizeIsTakenAs16BitsAndTheWindowFollows) {
    SceneFixture f;
    RecordingSurface surface;
    std::int32_t width = 70000, height = 480;
    InitScene(f.State, f.Settings, width, height, surface, f.Random, f.Clock, 1);
    EXPECT_EQ(f.State.ViewWidth, static_cast<i16>(70000 - 65536));
    EXPECT_EQ(width, 70000 - 65536);
}

TEST(InitScene, WarmUpStepsComeFromTheClockSeededSourceUnlessForced) {
    SceneFixture f;
    RecordingSurface surface;
    ScriptedRandom random;
    random.Script = {6};
    std::int32_t w = 64, h = 64;
    InitScene(f.State, f.Settings, w, h, surface, random, f.Clock, 0);
    SceneState ref;
    ref.CourseSeed = 203;
    for (int i = 0; i < 7; ++i) CourseRandom(ref);
    EXPECT_EQ(f.State.CourseSeed, ref.CourseSeed);
    EXPECT_EQ(random.Ranges.front(), 20u);
    EXPECT_EQ(random.Ranges.size(), 1u + 61 * 2 + 251 * 2 + 5)
        << "warm-up, sky set-up, shooting star";
}

TEST(InitScene, SetsTheBrushToBlackAndDrawsNothing) {
    SceneFixture f;
    RecordingSurface surface;
    f.Init(320, 200, surface);
    ASSERT_EQ(surface.Ops.size(), 1u);
    EXPECT_EQ(surface.Ops[0].Kind, 'b');
    EXPECT_EQ(surface.Ops[0].Color, clBlack);
}

TEST(Frame, BannerLinesAreDrawnFirstAndTheSecondSitsBelowTheMeasuredFirst) {
    SceneFixture f;
    RecordingSurface surface;
    f.Init(640, 480, surface);
    surface.Ops.clear();
    surface.LineHeight = 21;
    RunFrame(f.State, surface, f.Random, true);
    ASSERT_GE(surface.Ops.size(), 2u);
    EXPECT_EQ(surface.Ops[0].Kind, 't');
    EXPECT_EQ(surface.Ops[0].X, 0);
    EXPECT_EQ(surface.Ops[0].Y, 5);
    EXPECT_EQ(surface.Ops[0].Text, kBannerLine1);
    EXPECT_EQ(surface.Ops[1].Kind, 't');
    EXPECT_EQ(surface.Ops[1].Y, 5 + 21);
    EXPECT_EQ(surface.Ops[1].Text, kBannerLine2);
    EXPECT_EQ(kBannerLine1.size(), 24u);
    EXPECT_EQ(kBannerLine2.size(), 17u);
}

TEST(Frame, NoBannerOnceItHasEndedAndTheEndFillsTheWholeView) {
    SceneFixture f;
    RecordingSurface surface;
    f.Init(640, 480, surface);
    surface.Ops.clear();
    EndBanner(f.State, surface);
    ASSERT_EQ(surface.Ops.size(), 1u);
    EXPECT_EQ(surface.Ops[0].Kind, 'f');
    EXPECT_EQ(surface.Ops[0].Rect.Right, 640);
    EXPECT_EQ(surface.Ops[0].Rect.Bottom, 480);
    surface.Ops.clear();
    RunFrame(f.State, surface, f.Random, false);
    for (const auto& op : surface.Ops) ASSERT_EQ(op.Kind, 'p');
}

TEST(Frame, RoadComesBeforeTheSkyWhichErasesAndDrawsEachDotInTurn) {
    SceneFixture f;
    f.Settings.road_Color = 0x0000AA;
    f.Settings.porl_Color = 0x0000BB;
    RecordingSurface surface;
    f.Init(1920, 1080, surface);
    surface.Ops.clear();
    const Point32 oldStar60 = f.State.PrevStar[60];
    RunFrame(f.State, surface, f.Random, false);
    const auto pixels = surface.Pixels();
    // The sky's 312 erase-and-draw pairs come last (no shooting star without the setting).
    ASSERT_GE(pixels.size(), 624u);
    const std::size_t skyStart = pixels.size() - 624;
    EXPECT_LE(skyStart, 25u * 4 + 3 * 4) << "two erases and two draws a pair, four more a lamp";
    for (std::size_t i = 0; i < skyStart; ++i)
        ASSERT_TRUE(pixels[i].Color == clBlack || pixels[i].Color == 0x0000AA ||
                    pixels[i].Color == 0x0000BB);
    EXPECT_EQ(pixels[skyStart].X, oldStar60.x);
    EXPECT_EQ(pixels[skyStart].Y, oldStar60.y);
    EXPECT_EQ(pixels[skyStart].Color, clBlack);
    EXPECT_EQ(pixels[skyStart + 1].Color, f.State.StarColor[60]);
    EXPECT_EQ(pixels.back().X, f.State.TownX[0]);
    EXPECT_EQ(pixels.back().Color, f.State.TownColor[0]);
}

TEST(Frame, ShootingStarRunsOnlyWithCometAndCountsDownFirst) {
    SceneFixture f;
    RecordingSurface surface;
    f.Init(640, 480, surface);
    f.State.CometWait = 1;
    RunFrame(f.State, surface, f.Random, false);
    EXPECT_EQ(f.State.CometWait, 1) << "Comet off: untouched";

    f.State.Comet = true;
    RunFrame(f.State, surface, f.Random, false);
    EXPECT_EQ(f.State.CometWait, 0);
    const std::int32_t y = f.State.CometY;
    RunFrame(f.State, surface, f.Random, false);
    EXPECT_TRUE(f.State.CometY == y + 3 || f.State.CometWait != 0) << "moved or vanished";
}

TEST(Frame, ShootingStarReadsTheBendAfterTheShift) {
    SceneFixture f;
    RecordingSurface surface;
    f.Init(640, 480, surface);
    f.State.Comet = true;
    f.State.CometWait = 0;
    f.State.CometX = 300;
    f.State.CometY = 10;
    f.State.CometDX = 2;
    f.State.RowBend[227] = 3;  // becomes row 228 by the shift
    f.State.RowBend[228] = -4;
    RunFrame(f.State, surface, f.Random, false);
    ASSERT_EQ(f.State.CometY, 13) << "the draw of 1000 may end it, but never moves it elsewhere";
    EXPECT_EQ(f.State.PrevCometX, 300 - 3 + 2);
}

TEST(BannerFont, FollowsTheWindowWidthAndPreview) {
    EXPECT_EQ(BannerFontPoints(true, 1920), 5);
    EXPECT_EQ(BannerFontPoints(true, 5000), 5);
    EXPECT_EQ(BannerFontPoints(false, 800), 10);
    EXPECT_EQ(BannerFontPoints(false, 801), 12);
    EXPECT_EQ(BannerFontPoints(false, 1024), 12);
    EXPECT_EQ(BannerFontPoints(false, 1025), 14);
    EXPECT_EQ(BannerFontPoints(false, 1280), 14);
    EXPECT_EQ(BannerFontPoints(false, 1281), 18);
    EXPECT_EQ(BannerFontPoints(false, 3000), 18);
    EXPECT_EQ(BannerFontPoints(false, 3001), 0);
    EXPECT_EQ(BannerFontPoints(false, static_cast<std::uint32_t>(-1)), 0) << "compared unsigned";
}

TEST(BannerFont, WideScreensKeepTheSixteenPixelFont) {
    DefaultSystemColors colors;
    MemorySurface surface(8, 8, colors);
    ApplyBannerFont(surface, false, 3840);
    EXPECT_EQ(surface.FontPoints(), 0);
    EXPECT_EQ(surface.CharHeight(), 16);
    ApplyBannerFont(surface, false, 1024);
    EXPECT_EQ(surface.CharHeight(), 16);  // 12 points at 96 dots per inch
    ApplyBannerFont(surface, false, 800);
    EXPECT_EQ(surface.CharHeight(), 13);
}

TEST(Frame, AFrameAllocatesNothingOnceTheBannerTextIsPrepared) {
    DefaultSystemColors colors;
    std::unique_ptr<FreeTypeText> text;
    try {
        text = std::make_unique<FreeTypeText>();
    } catch (const std::exception&) {
    }
    MemorySurface surface(1280, 720, colors, text.get());
    SceneFixture f;
    f.Settings.Comet = true;
    f.Settings.StarScroll = true;
    f.Settings.UpDown = 3;
    f.Init(1280, 720, surface, 4);
    ApplyBannerFont(surface, false, 1280);
    const long before = AllocationCount();
    for (int frame = 0; frame < 3000; ++frame) RunFrame(f.State, surface, f.Random, frame < 200);
    EndBanner(f.State, surface);
    EXPECT_EQ(AllocationCount() - before, 0);
}

}  // namespace
