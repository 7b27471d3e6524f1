// Placement on several monitors: which one gets the drive, which ones are covered.
#include "saver/monitorlayout.h"

#include <gtest/gtest.h>

namespace {

constexpr Rect32 kScreen{0, 0, 1824, 768};
constexpr Rect32 kLeft{0, 0, 1024, 768};
constexpr Rect32 kRight{1024, 0, 1824, 600};

bool operator==(const Rect32& a, const Rect32& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

TEST(MonitorLayout, DriveGoesToThePrimaryMonitorAndEveryOtherOneIsCovered) {
    const Monitor monitors[] = {{kLeft, false}, {kRight, true}, {{0, 768, 640, 1248}, false}};
    const auto layout = PlaceOnMonitors(monitors, kScreen);
    EXPECT_EQ(layout.DriveMonitor, 1u);
    EXPECT_TRUE(layout.Drive == kRight);
    ASSERT_EQ(layout.Covers.size(), 2u);
    EXPECT_TRUE(layout.Covers[0] == kLeft);
    EXPECT_TRUE(layout.Covers[1] == (Rect32{0, 768, 640, 1248}));
}

TEST(MonitorLayout, WithoutAPrimaryTheFirstMonitorTakesTheDrive) {
    const Monitor monitors[] = {{kRight, false}, {kLeft, false}};
    const auto layout = PlaceOnMonitors(monitors, kScreen);
    EXPECT_EQ(layout.DriveMonitor, 0u);
    EXPECT_TRUE(layout.Drive == kRight);
    ASSERT_EQ(layout.Covers.size(), 1u);
    EXPECT_TRUE(layout.Covers[0] == kLeft);
}

TEST(MonitorLayout, MirrorsOfTheDriveAndEmptyMonitorsGetNoCover) {
    const Monitor monitors[] = {{kLeft, true}, {kLeft, false}, {{5, 5, 5, 100}, false}};
    const auto layout = PlaceOnMonitors(monitors, kScreen);
    EXPECT_TRUE(layout.Covers.empty());
}

TEST(MonitorLayout, NoMonitorsKnownMeansTheWholeScreen) {
    const auto layout = PlaceOnMonitors({}, kScreen);
    EXPECT_TRUE(layout.Drive == kScreen);
    EXPECT_TRUE(layout.Covers.empty());
}

}  // namespace
