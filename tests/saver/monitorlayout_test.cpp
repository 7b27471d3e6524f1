// LayOutMonitors against made-up desktops: where the drive goes and which monitors get a cover.
#include "saver/monitorlayout.h"

#include <gtest/gtest.h>

#include <vector>

// In Rect32's own namespace, so that comparing vectors of them finds it.
static bool operator==(const Rect32& a, const Rect32& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

namespace {

using Rects = std::vector<Rect32>;

TEST(MonitorLayoutTest, OneMonitorGetsTheDriveAndNoCover) {
    const std::vector<Monitor> desktop = {{{0, 0, 1920, 1080}, true}};
    const MonitorLayout layout = LayOutMonitors(desktop, 1920, 1080);
    EXPECT_TRUE(layout.Drive == (Rect32{0, 0, 1920, 1080}));
    EXPECT_TRUE(layout.Covers.empty());
}

TEST(MonitorLayoutTest, NoMonitorKnownPutsTheDriveAtTheOrigin) {
    const MonitorLayout layout = LayOutMonitors({}, 1024, 768);
    EXPECT_TRUE(layout.Drive == (Rect32{0, 0, 1024, 768}));
    EXPECT_TRUE(layout.Covers.empty());
}

TEST(MonitorLayoutTest, EveryOtherMonitorIsCoveredWhereverItLies) {
    // Left of, above and right of the primary, at negative and positive coordinates.
    const std::vector<Monitor> desktop = {{{-1280, 0, 0, 1024}, false},
                                          {{0, 0, 1920, 1080}, true},
                                          {{0, -768, 1024, 0}, false},
                                          {{1920, 200, 3200, 1224}, false}};
    const MonitorLayout layout = LayOutMonitors(desktop, 1920, 1080);
    EXPECT_TRUE(layout.Drive == (Rect32{0, 0, 1920, 1080}));
    EXPECT_TRUE(layout.Covers ==
                (Rects{{-1280, 0, 0, 1024}, {0, -768, 1024, 0}, {1920, 200, 3200, 1224}}));
}

TEST(MonitorLayoutTest, A640x480DriveSitsAtThePrimarysTopLeftCorner) {
    const std::vector<Monitor> desktop = {{{-1920, 0, 0, 1080}, false}, {{0, 0, 2560, 1440}, true}};
    const MonitorLayout layout = LayOutMonitors(desktop, 640, 480);
    EXPECT_TRUE(layout.Drive == (Rect32{0, 0, 640, 480}));
    EXPECT_TRUE(layout.Covers == (Rects{{-1920, 0, 0, 1080}}));
}

TEST(MonitorLayoutTest, ThePrimaryNeedNotBeFirstNorAtTheOrigin) {
    const std::vector<Monitor> desktop = {{{0, 0, 1280, 1024}, false},
                                          {{1280, 100, 3200, 1180}, true}};
    const MonitorLayout layout = LayOutMonitors(desktop, 1920, 1080);
    EXPECT_TRUE(layout.Drive == (Rect32{1280, 100, 3200, 1180}));
    EXPECT_TRUE(layout.Covers == (Rects{{0, 0, 1280, 1024}}));
    // The window is made on the monitor of that index: the rectangle alone would not tell
    // which of two monitors of the same bounds (a mirror) shows it.
    EXPECT_EQ(layout.DriveMonitor, 1u);
    const std::vector<Monitor> third = {
        {{-1920, 0, 0, 1080}, false}, {{1920, 0, 3840, 1080}, false}, {{0, 0, 1920, 1080}, true}};
    EXPECT_EQ(LayOutMonitors(third, 1920, 1080).DriveMonitor, 2u);
}

TEST(MonitorLayoutTest, WithoutAMarkedPrimaryTheMonitorAtTheOriginTakesTheDrive) {
    const std::vector<Monitor> atOrigin = {{{1920, 0, 3840, 1080}, false},
                                           {{0, 0, 1920, 1080}, false}};
    EXPECT_TRUE(LayOutMonitors(atOrigin, 1920, 1080).Drive == (Rect32{0, 0, 1920, 1080}));
    EXPECT_TRUE(LayOutMonitors(atOrigin, 1920, 1080).Covers == (Rects{{1920, 0, 3840, 1080}}));
    EXPECT_EQ(LayOutMonitors(atOrigin, 1920, 1080).DriveMonitor, 1u);
    // One that ends at x = 0 touches the origin without holding it: the one right of it wins,
    // and so does one that ends at y = 0 above it.
    const std::vector<Monitor> touching = {
        {{-1280, 0, 0, 1024}, false}, {{0, -768, 1024, 0}, false}, {{0, 0, 1920, 1080}, false}};
    const MonitorLayout layout = LayOutMonitors(touching, 1920, 1080);
    EXPECT_EQ(layout.DriveMonitor, 2u);
    EXPECT_TRUE(layout.Drive == (Rect32{0, 0, 1920, 1080}));
    EXPECT_TRUE(layout.Covers == (Rects{{-1280, 0, 0, 1024}, {0, -768, 1024, 0}}));
    // None holds the origin: the first one.
    const std::vector<Monitor> elsewhere = {{{100, 0, 740, 480}, false},
                                            {{740, 0, 1380, 480}, false}};
    EXPECT_TRUE(LayOutMonitors(elsewhere, 640, 480).Drive == (Rect32{100, 0, 740, 480}));
    EXPECT_TRUE(LayOutMonitors(elsewhere, 640, 480).Covers == (Rects{{740, 0, 1380, 480}}));
    EXPECT_EQ(LayOutMonitors(elsewhere, 640, 480).DriveMonitor, 0u);
}

TEST(MonitorLayoutTest, MirrorsRepeatsAndEmptyMonitorsGetNoCover) {
    const std::vector<Monitor> desktop = {
        {{0, 0, 1920, 1080}, true},     {{0, 0, 1920, 1080}, false},     // a mirror of the primary
        {{0, 0, 1280, 720}, false},                                      // showing part of it
        {{1920, 0, 3200, 1024}, false}, {{1920, 0, 3200, 1024}, false},  // a mirror of that one
        {{3200, 0, 3200, 1024}, false}};                                 // switched off
    const MonitorLayout layout = LayOutMonitors(desktop, 1920, 1080);
    EXPECT_TRUE(layout.Covers == (Rects{{1920, 0, 3200, 1024}}));
}

}  // namespace
