#include "platform/web/drive.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/common/systemcolors.h"
#include "platform/memory/surface.h"
#include "scene/scene.h"
#include "settings/settings.h"
#include "tests/support/allocationcounter.h"

namespace {

class PageDriveTest : public ::testing::Test {
  protected:
    DefaultSystemColors colors;
    PageDrive drive{colors, nullptr};
    SaverSettings settings;
    FixedClock clock{4242};
};

TEST_F(PageDriveTest, RunsEveryFrameDueAndNoneAhead) {
    settings.Speed = 30;
    drive.Start(160, 120, settings, 3, clock);
    EXPECT_EQ(drive.Period(), 30);
    EXPECT_EQ(drive.RunDue(-1), 0);
    EXPECT_EQ(drive.RunDue(0), 1) << "frame 0 is due at the start";
    EXPECT_EQ(drive.RunDue(29.9), 0);
    EXPECT_EQ(drive.RunDue(30), 1);
    EXPECT_EQ(drive.RunDue(30), 0) << "a second animation frame at the same time runs nothing";
    EXPECT_EQ(drive.RunDue(1000), 32) << "a late page catches up every frame";
    EXPECT_EQ(drive.FramesRun(), 34);
}

TEST_F(PageDriveTest, FramesAndTheirCopiesAllocateNothing) {
    settings.Comet = true;
    settings.StarScroll = true;
    drive.Start(320, 240, settings, 5, clock);
    drive.RunDue(0);
    drive.Surface().TakeChanges();
    const long before = AllocationCount();
    // Across the banner's end at 5000 ms, a frame at a time as the page runs them.
    for (int t = 30; t <= 9000; t += 30) {
        drive.RunDue(t);
        drive.Surface().TakeChanges();
    }
    EXPECT_EQ(AllocationCount() - before, 0);
    EXPECT_EQ(drive.FramesRun(), 301);
}

TEST_F(PageDriveTest, StartingAgainStartsTheClockAndTheViewAnew) {
    drive.Start(160, 120, settings, 3, clock);
    drive.RunDue(600);
    settings.Speed = 50;
    drive.Start(80, 60, settings, 3, clock);
    EXPECT_EQ(drive.FramesRun(), 0);
    EXPECT_EQ(drive.Period(), 50);
    EXPECT_EQ(drive.Surface().Width(), 80);
    EXPECT_EQ(drive.RunDue(100), 3);
}

// The recorder's rule on an in-memory surface: frame i at i * period, the banner ended before the
// first frame at 5000 ms or later.
TEST_F(PageDriveTest, FramesEqualTheRecordersAcrossTheBannersEnd) {
    settings.UpDown = 3;
    settings.Comet = true;
    settings.StarScroll = true;
    settings.Speed = 20;
    drive.Start(200, 150, settings, 9, clock);
    drive.RunDue(20.0 * 299);

    MemorySurface surface(200, 150, colors);
    LcgRandom random;
    SceneState scene;
    FixedClock same{4242};
    std::int32_t width = 200, height = 150;
    InitScene(scene, settings, width, height, surface, random, same, 9);
    ApplyBannerFont(surface, false, 200);
    bool banner = true;
    for (int i = 0; i < 300; ++i) {
        if (banner && i * 20 >= 5000) {
            banner = false;
            EndBanner(scene, surface);
        }
        RunFrame(scene, surface, random, banner);
    }
    int differ = 0, lit = 0;
    for (std::int32_t y = 0; y < 150; ++y)
        for (std::int32_t x = 0; x < 200; ++x) {
            const std::uint32_t rgb = surface.Pixel(x, y);
            const std::uint32_t rgba = drive.Surface().Pixel(x, y);
            const std::uint32_t asRgb =
                ((rgba & 0xFF) << 16) | (rgba & 0xFF00) | ((rgba >> 16) & 0xFF);
            differ += rgb != asRgb;
            lit += rgb != 0;
        }
    EXPECT_GT(lit, 50);
    EXPECT_EQ(differ, 0);
}

}  // namespace
