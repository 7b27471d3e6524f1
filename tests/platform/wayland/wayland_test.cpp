// The Wayland backend's arithmetic and bookkeeping: damage lists, buffer slots, output sizes and
// how the drive's buffer is shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/wayland/bufferslots.h"
#include "platform/wayland/damage.h"
#include "platform/wayland/outputs.h"

namespace {

bool Covers(const DamageList& list, std::int32_t x, std::int32_t y) {
    if (list.Whole()) return true;
    return std::any_of(list.Rects().begin(), list.Rects().end(), [x, y](const Rect32& r) {
        return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
    });
}

Rect32 Dot(std::int32_t x, std::int32_t y) {
    return {x, y, x + 1, y + 1};
}

}  // namespace

TEST(DamageList, ExactJoinsAnErasedDotWithItsRedrawBesideIt) {
    DamageList list(DamageList::Policy::Exact, 16);
    list.Add(Dot(10, 5));
    list.Add(Dot(11, 5));
    list.Add(Dot(12, 5));
    ASSERT_EQ(list.Rects().size(), 1u);
    EXPECT_EQ(list.Area(), 3);
}

TEST(DamageList, ExactNeverCoversAPixelThatDidNotChange) {
    DamageList list(DamageList::Policy::Exact, 16);
    list.Add(Dot(10, 5));
    list.Add(Dot(11, 6));  // diagonal: joining would take in (11,5) and (10,6)
    EXPECT_EQ(list.Rects().size(), 2u);
    EXPECT_EQ(list.Area(), 2);
    EXPECT_FALSE(Covers(list, 11, 5));
}

TEST(DamageList, ExactNeverCoversAnUnchangedPixelWhenRectanglesOverlapSideBySide) {
    // Side by side and overlapping, the bounding box's waste can equal the overlap counted
    // twice: joined, it would take in pixels neither rectangle changed.
    struct Pair {
        Rect32 First, Second;
    };
    const Pair pairs[] = {
        {{0, 0, 4, 4}, {2, 1, 6, 3}},  // a lower rectangle reaching out to the right
        {{2, 1, 6, 3}, {0, 0, 4, 4}},  // the same, drawn the other way round
        {{0, 1, 4, 3}, {2, 0, 6, 4}},  // a taller one reaching out to the right
        {{0, 0, 4, 2}, {2, 0, 6, 2}},  // of one height: joining them covers only what changed
    };
    for (const Pair& pair : pairs) {
        DamageList list(DamageList::Policy::Exact, 16);
        list.Add(pair.First);
        list.Add(pair.Second);
        const auto in = [](const Rect32& r, std::int32_t x, std::int32_t y) {
            return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
        };
        for (std::int32_t y = -1; y < 6; ++y)
            for (std::int32_t x = -1; x < 8; ++x)
                EXPECT_EQ(Covers(list, x, y), in(pair.First, x, y) || in(pair.Second, x, y))
                    << "pixel " << x << "," << y << " after " << pair.First.Left << ","
                    << pair.First.Top << " and " << pair.Second.Left << "," << pair.Second.Top;
    }
}

TEST(DamageList, ExactOverflowStandsForEverything) {
    DamageList list(DamageList::Policy::Exact, 4);
    for (int i = 0; i < 5; ++i) list.Add(Dot(i * 10, 0));
    EXPECT_TRUE(list.Whole());
    list.Clear();
    EXPECT_TRUE(list.Empty());
}

TEST(DamageList, EmptyRectanglesAreNoChange) {
    DamageList list(DamageList::Policy::Merged, 4);
    list.Add(Rect32{5, 5, 5, 9});
    list.Add(Rect32{5, 5, 9, 4});
    EXPECT_TRUE(list.Empty());
}

TEST(DamageList, MergedKeepsEveryChangeWithinItsCapacity) {
    // A frame's worth of scattered dots over a 4K view.
    DamageList merged(DamageList::Policy::Merged, 32);
    std::vector<Rect32> dots;
    for (int i = 0; i < 600; ++i) {
        const Rect32 dot = Dot((i * 7919) % 3840, (i * 104729) % 2160);
        dots.push_back(dot);
        merged.Add(dot);
    }
    EXPECT_LE(merged.Rects().size(), 32u);
    for (const Rect32& d : dots)
        EXPECT_TRUE(Covers(merged, d.Left, d.Top)) << d.Left << "," << d.Top;
}

TEST(DamageList, MergedKeepsDistantClustersApart) {
    // Stars at the top left and a road at the bottom right: two small boxes, not one screen.
    DamageList merged(DamageList::Policy::Merged, 32);
    for (int i = 0; i < 20; ++i) merged.Add(Dot(10 + i % 5, 10 + i / 5));
    for (int i = 0; i < 20; ++i) merged.Add(Dot(3000 + i % 5, 2000 + i / 5));
    EXPECT_LE(merged.Area(), 2 * 5 * 4 + 2 * 256);
    EXPECT_TRUE(Covers(merged, 10, 10));
    EXPECT_TRUE(Covers(merged, 3004, 2003));
    EXPECT_FALSE(Covers(merged, 1500, 1000));
}

TEST(DamageList, MergedStaysWithinItsCapacityWhenAChangeOverlapsAListedOne) {
    // A box overlapping a listed one but reaching out of it (the banner's text over a star, a
    // fill over a row): its bounding box with that one wastes less than nothing, the overlap
    // counted twice. With the list full it still joins a listed rectangle: the list's memory is
    // fixed, and a rectangle more would be written past it.
    struct Case {
        const char* Name;
        Rect32 Change;
    };
    const Case cases[] = {
        {"overlapping the first listed", {2, 0, 12, 10}},
        {"overlapping the last listed", {3102, 0, 3112, 10}},
        {"overlapping two at once", {5, 0, 105, 10}},
    };
    for (const Case& c : cases) {
        DamageList merged(DamageList::Policy::Merged, 32);
        for (int i = 0; i < 32; ++i) merged.Add(Rect32{i * 100, 0, i * 100 + 10, 10});
        ASSERT_EQ(merged.Rects().size(), 32u);
        merged.Add(c.Change);
        EXPECT_LE(merged.Rects().size(), 32u) << c.Name;
        for (std::int32_t y = c.Change.Top; y < c.Change.Bottom; ++y)
            for (std::int32_t x = c.Change.Left; x < c.Change.Right; ++x)
                ASSERT_TRUE(Covers(merged, x, y)) << c.Name << ": " << x << "," << y;
        for (int i = 0; i < 32; ++i) EXPECT_TRUE(Covers(merged, i * 100 + 9, 9)) << c.Name;
    }
}

TEST(DamageList, MergedJoinsAnOverlappingChangeRatherThanListItApart) {
    // Room left in the list: a change overlapping a listed rectangle by most of its area still
    // joins it, as the join takes in fewer stray pixels than the overlap saves.
    DamageList merged(DamageList::Policy::Merged, 32);
    merged.Add(Rect32{0, 0, 100, 100});
    merged.Add(Rect32{10, 10, 110, 110});
    ASSERT_EQ(merged.Rects().size(), 1u);
    EXPECT_EQ(merged.Area(), 110 * 110);
}

TEST(DamageList, ExactAddingAListCoversExactlyBothAndOverflowsToWhole) {
    // A frame's changes added to what a buffer already lacks: the first may join the last
    // lacked, the rest go in as they are; nothing unchanged is covered, and what does not fit
    // stands for everything.
    DamageList frame(DamageList::Policy::Exact, 16);
    for (const Rect32& r : {Dot(5, 5), Dot(6, 5), Dot(40, 7), Dot(41, 8), Rect32{0, 20, 10, 22}})
        frame.Add(r);
    DamageList lacking(DamageList::Policy::Exact, 6);
    lacking.Add(Dot(4, 5));
    lacking.Add(frame);
    for (std::int32_t y = 0; y < 30; ++y)
        for (std::int32_t x = 0; x < 50; ++x) {
            const bool changed = (y == 5 && x >= 4 && x <= 6) || (x == 40 && y == 7) ||
                                 (x == 41 && y == 8) || (y >= 20 && y < 22 && x < 10);
            EXPECT_EQ(Covers(lacking, x, y), changed) << x << "," << y;
        }
    EXPECT_FALSE(lacking.Whole());
    lacking.Add(frame);  // 4 more do not fit beside 4 in 6
    EXPECT_TRUE(lacking.Whole());
}

TEST(DamageList, AddingAWholeListMakesTheTargetWhole) {
    DamageList whole(DamageList::Policy::Exact, 2);
    whole.MarkWhole();
    DamageList target(DamageList::Policy::Merged, 8);
    target.Add(Dot(1, 1));
    target.Add(whole);
    EXPECT_TRUE(target.Whole());
}

TEST(BufferSlots, NewBuffersLackNothingAndAreFree) {
    // Fresh memory is as black as a fresh picture.
    BufferSlots slots(2, 64);
    EXPECT_GE(slots.Acquire(), 0);
    EXPECT_TRUE(slots.Lacking(0).Empty());
    EXPECT_TRUE(slots.Lacking(1).Empty());
}

TEST(BufferSlots, TheSpareIsHandedOutOnlyWhileEveryOtherBufferIsHeld) {
    BufferSlots slots(3, 64);
    DamageList change(DamageList::Policy::Exact, 64);
    change.Add(Dot(1, 1));
    slots.Committed(0, change);
    // 2 lacks no more than 1 does, yet 1 comes first.
    EXPECT_EQ(slots.Acquire(), 1);
    slots.Committed(1, change);
    EXPECT_EQ(slots.Acquire(false), -1);  // asked to leave the spare out while it may wait
    EXPECT_EQ(slots.Acquire(), 2);
    slots.Committed(2, change);
    EXPECT_EQ(slots.Acquire(), -1);
    slots.Released(2);
    slots.Released(0);
    EXPECT_EQ(slots.Acquire(), 0);
}

TEST(BufferSlots, AHeldBufferIsNeverHandedOut) {
    BufferSlots slots(2, 64);
    DamageList change(DamageList::Policy::Exact, 64);
    const int first = slots.Acquire();
    slots.Committed(first, change);
    const int second = slots.Acquire();
    ASSERT_GE(second, 0);
    EXPECT_NE(second, first);
    slots.Committed(second, change);
    // Both with the compositor: nothing may be drawn into.
    EXPECT_EQ(slots.Acquire(), -1);
    slots.Released(first);
    EXPECT_EQ(slots.Acquire(), first);
}

TEST(BufferSlots, AReturnedBufferLacksExactlyWhatWasCommittedSinceItsOwnCommit) {
    BufferSlots slots(2, 64);
    DamageList change(DamageList::Policy::Exact, 64);
    change.MarkWhole();
    slots.Committed(0, change);  // the first picture, whole
    change.Clear();
    change.Add(Dot(3, 4));
    slots.Committed(1, change);  // buffer 1 was whole-lacking; now up to date
    slots.Released(0);
    change.Clear();
    change.Add(Dot(7, 8));
    // Buffer 0 lacks the dot committed in buffer 1 only.
    ASSERT_EQ(slots.Acquire(), 0);
    EXPECT_FALSE(slots.Lacking(0).Whole());
    EXPECT_TRUE(Covers(slots.Lacking(0), 3, 4));
    EXPECT_EQ(slots.Lacking(0).Area(), 1);
    EXPECT_TRUE(slots.Lacking(1).Empty());
}

TEST(BufferSlots, PrefersTheFreeBufferThatLacksLeast) {
    BufferSlots slots(3, 64);
    DamageList change(DamageList::Policy::Exact, 64);
    change.MarkWhole();
    slots.Committed(0, change);
    change.Clear();
    change.Add(Dot(1, 1));
    slots.Committed(1, change);
    slots.Released(0);
    slots.Released(1);
    // 1 lacks nothing, 0 a dot, 2 (never drawn) everything.
    EXPECT_EQ(slots.Acquire(), 1);
}

TEST(Outputs, AQuarterTurnSwapsThePhysicalSize) {
    OutputInfo output;
    output.Mode = {1920, 1080};
    output.Transform = 1;  // 90 degrees
    EXPECT_EQ(PhysicalSize(output), (Size32{1080, 1920}));
    output.Transform = 6;  // flipped, 180 degrees
    EXPECT_EQ(PhysicalSize(output), (Size32{1920, 1080}));
}

TEST(Outputs, LogicalSizeAsToldElseThePhysicalOverTheScale) {
    OutputInfo output;
    output.Mode = {3840, 2160};
    output.Scale = 2;
    EXPECT_EQ(LogicalSize(output), (Size32{1920, 1080}));
    output.Logical = {2560, 1440};  // a fractional 1.5
    EXPECT_EQ(LogicalSize(output), (Size32{2560, 1440}));
    output.X = 100;
    output.Y = -50;
    const Rect32 bounds = LogicalBounds(output);
    EXPECT_EQ(bounds.Left, 100);
    EXPECT_EQ(bounds.Top, -50);
    EXPECT_EQ(bounds.Right, 2660);
    EXPECT_EQ(bounds.Bottom, 1390);
}

TEST(Outputs, TheDriveGoesToTheNamedPrimaryElseTheFirst) {
    std::vector<OutputInfo> outputs(3);
    outputs[0].Name = "DP-1";
    outputs[1].Name = "HDMI-A-1";
    outputs[2].Name = "eDP-1";
    EXPECT_EQ(ChooseDriveOutput(outputs, {}, "eDP-1", ""), 2u);
    EXPECT_EQ(ChooseDriveOutput(outputs, {}, "", ""), 0u);
    EXPECT_EQ(ChooseDriveOutput(outputs, {}, "gone", ""), 0u);
}

TEST(Outputs, PlasmasOutputOrderNamesThePrimaryBeforeItsOlderProtocol) {
    std::vector<OutputInfo> outputs(3);
    outputs[0].Name = "DP-1";
    outputs[1].Name = "HDMI-A-1";
    outputs[2].Name = "eDP-1";
    const std::vector<std::string> order = {"HDMI-A-1", "eDP-1", "DP-1"};
    // The order's first name wins over a primary name the older protocol still tells.
    EXPECT_EQ(ChooseDriveOutput(outputs, order, "eDP-1", ""), 1u);
    EXPECT_EQ(ChooseDriveOutput(outputs, order, "", ""), 1u);
    // An order whose first name is no output's (one unplugged as the saver starts) is not
    // trusted further: the older name, else the first output.
    const std::vector<std::string> stale = {"gone", "eDP-1", "HDMI-A-1"};
    EXPECT_EQ(ChooseDriveOutput(outputs, stale, "HDMI-A-1", ""), 1u);
    EXPECT_EQ(ChooseDriveOutput(outputs, stale, "", ""), 0u);
    const std::vector<std::string> blank = {""};
    EXPECT_EQ(ChooseDriveOutput(outputs, blank, "eDP-1", ""), 2u);
}

TEST(Outputs, GnomesPrimaryToldOnTheSessionBusComesAfterPlasmasNames) {
    std::vector<OutputInfo> outputs(2);
    outputs[0].Name = "Meta-0";
    outputs[1].Name = "Meta-1";
    // GNOME names no primary to Wayland clients: its session bus's name alone places the drive.
    EXPECT_EQ(ChooseDriveOutput(outputs, {}, "", "Meta-1"), 1u);
    // A name no output has yet (an output mutter told of before the compositor did) is the
    // first output, as with no name.
    EXPECT_EQ(ChooseDriveOutput(outputs, {}, "", "Meta-2"), 0u);
    // Where a compositor names one itself, its own protocols win over the bus.
    const std::vector<std::string> order = {"Meta-0"};
    EXPECT_EQ(ChooseDriveOutput(outputs, order, "", "Meta-1"), 0u);
    EXPECT_EQ(ChooseDriveOutput(outputs, {}, "Meta-0", "Meta-1"), 0u);
    EXPECT_EQ(ChooseDriveOutput(outputs, {}, "gone", "Meta-1"), 1u);
}

TEST(Presentation, HiDpiShowsOneSceneDotPerPhysicalPixel) {
    OutputInfo output;
    output.Mode = {3840, 2160};
    output.Scale = 2;
    const Presentation shown = PlanDrive({3840, 2160}, output, {1920, 1080}, false, true);
    EXPECT_EQ(shown.Buffer, (Size32{3840, 2160}));
    EXPECT_EQ(shown.BufferScale, 2);
    EXPECT_EQ(shown.Viewport, (Size32{}));
}

TEST(Presentation, FractionalScaleTellsTheLogicalSizeThroughTheViewport) {
    OutputInfo output;
    output.Mode = {3840, 2160};
    output.Scale = 2;  // the integer scale rounds 1.5 up
    output.Logical = {2560, 1440};
    const Presentation shown = PlanDrive({3840, 2160}, output, {2560, 1440}, false, true);
    EXPECT_EQ(shown.Buffer, (Size32{3840, 2160}));
    EXPECT_EQ(shown.BufferScale, 1);
    EXPECT_EQ(shown.Viewport, (Size32{2560, 1440}));
}

TEST(Presentation, AnEnlargedSceneGetsAWholeOutputBufferAndNoCompositorScaling) {
    // The compositor's smoothing would blur the dots: the saver enlarges them itself, so the
    // buffer is the output's own pixels, with or without a viewporter.
    OutputInfo output;
    output.Mode = {2560, 1600};
    output.Scale = 2;
    for (const bool viewporter : {true, false}) {
        const Presentation shown = PlanDrive({640, 480}, output, {0, 0}, true, viewporter);
        EXPECT_EQ(shown.Buffer, (Size32{2560, 1600}));
        EXPECT_EQ(shown.BufferScale, 2);
        EXPECT_EQ(shown.Viewport, (Size32{}));
    }
    // Smaller than the scene, the output still gets a buffer of its own size.
    output.Mode = {600, 400};
    output.Scale = 1;
    EXPECT_EQ(PlanDrive({640, 480}, output, {0, 0}, true, true).Buffer, (Size32{600, 400}));
}

TEST(Presentation, UnscaledSmallSceneSitsInAWholeOutputBuffer) {
    // A 640x480 drive that does not switch: the rest of the output stays black.
    OutputInfo output;
    output.Mode = {1920, 1080};
    const Presentation shown = PlanDrive({640, 480}, output, {1920, 1080}, false, true);
    EXPECT_EQ(shown.Buffer, (Size32{1920, 1080}));
    EXPECT_EQ(shown.Viewport, (Size32{}));
}

TEST(Presentation, WithoutViewporterNothingIsStretchedAndTheScaleStaysWhole) {
    OutputInfo output;
    output.Mode = {1366, 768};
    output.Scale = 2;  // 683x384 logical: 1366 is a whole multiple, keep the scale
    Presentation shown = PlanDrive({640, 480}, output, {0, 0}, true, false);
    EXPECT_EQ(shown.Buffer, (Size32{1366, 768}));
    EXPECT_EQ(shown.BufferScale, 2);
    output.Mode = {1365, 768};  // not a whole multiple: a scale would be a protocol error
    shown = PlanDrive({1365, 768}, output, {700, 400}, false, false);
    EXPECT_EQ(shown.BufferScale, 1);
}

TEST(Presentation, CoversAreOnePixelStretchedWhereTheyCanBe) {
    OutputInfo output;
    output.Mode = {1920, 1200};
    output.Scale = 2;
    EXPECT_EQ(PlanCover(output, {0, 0}, true).Buffer, (Size32{1, 1}));
    EXPECT_EQ(PlanCover(output, {0, 0}, true).Viewport, (Size32{960, 600}));
    const Presentation plain = PlanCover(output, {960, 600}, false);
    EXPECT_EQ(plain.Buffer, (Size32{1920, 1200}));
    EXPECT_EQ(plain.BufferScale, 2);
}

TEST(Presentation, PointerPositionsMapToBufferPixels) {
    Presentation hidpi{{3840, 2160}, 2, {}};
    std::int32_t x = 0, y = 0;
    SurfaceToBuffer(hidpi, 100.5, 20.25, x, y);
    EXPECT_EQ(x, 201);
    EXPECT_EQ(y, 40);
    Presentation stretched{{640, 480}, 1, {1920, 1440}};
    SurfaceToBuffer(stretched, 1919.9, 2.9, x, y);
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 0);
    // One logical step of the pointer moves a scene dot: the saver's threshold still sees it.
    std::int32_t x2 = 0, y2 = 0;
    SurfaceToBuffer(stretched, 1916.9, 2.9, x2, y2);
    EXPECT_NE(x, x2);
}

// The drive's surface without a compositor: what it counts as changed decides what reaches the
// screen, so a change it misses stays wrong on screen until something else repaints there.
#include "platform/common/systemcolors.h"
#include "platform/wayland/surface.h"

#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr ColorValue kYellow = 0x0000FFFF;

struct SurfaceFixture : ::testing::Test {
    DefaultSystemColors colors;
    WaylandSurface surface{nullptr, colors, nullptr};
    void SetUp() override {
        surface.SetViewSize(64, 48);
        ASSERT_TRUE(surface.SetBuffers(nullptr, nullptr, {64, 48}));
        surface.Present();  // the first, black picture
    }
};

}  // namespace

TEST_F(SurfaceFixture, AFreshPictureDiffersFromNewBuffersInNothing) {
    EXPECT_TRUE(surface.GatherChanges().Empty());
}

TEST_F(SurfaceFixture, OnlyTheFinalColourOfEachTouchedPixelCounts) {
    surface.SetPixel(5, 5, kYellow);
    surface.SetPixel(5, 5, clBlack);  // drawn and erased within one frame: black as before
    surface.SetPixel(6, 5, kYellow);
    surface.SetPixel(7, 5, clBlack);   // erasing what is black already
    surface.SetPixel(-1, 5, kYellow);  // outside the view
    const DamageList& changes = surface.GatherChanges();
    EXPECT_FALSE(Covers(changes, 5, 5));
    EXPECT_TRUE(Covers(changes, 6, 5));
    EXPECT_FALSE(Covers(changes, 7, 5));
    EXPECT_EQ(changes.Area(), 1);
}

TEST_F(SurfaceFixture, ABannerLineDrawnAgainUnchangedIsNoChangeUntilSomethingCrossesIt) {
    // Without a text engine each byte is a white block, 16 pixels high, with a black gap column
    // at x = 7 between the first two.
    surface.SetBrushColor(clBlack);
    surface.TextOut(0, 5, "Velmora");
    const std::int64_t drawn = surface.GatherChanges().Area();
    EXPECT_GT(drawn, 0);
    surface.TextOut(0, 5, "Velmora");
    EXPECT_EQ(surface.GatherChanges().Area(), drawn);
    // A star in the gap: the next banner frame must paint the box over it again.
    surface.SetPixel(7, 9, clWhite);
    ASSERT_EQ(surface.Pixel(7, 9), 0x00FFFFFFu);
    surface.TextOut(0, 5, "Velmora");
    EXPECT_EQ(surface.Pixel(7, 9), 0u);
    // Another brush is another picture of the line.
    surface.SetBrushColor(clWhite);
    surface.TextOut(0, 5, "Velmora");
    EXPECT_EQ(surface.Pixel(7, 9), 0x00FFFFFFu);
}

TEST_F(SurfaceFixture, TheWholeViewTurningBlackChangesOnlyWhatWasLit) {
    surface.SetPixel(1, 1, kYellow);
    surface.SetPixel(40, 30, 0x000000FF);
    surface.SetBrushColor(clBlack);
    surface.FillRect(Rect32{0, 0, 64, 48});
    const DamageList& changes = surface.GatherChanges();
    EXPECT_FALSE(changes.Whole());
    EXPECT_TRUE(Covers(changes, 1, 1));
    EXPECT_TRUE(Covers(changes, 40, 30));
    EXPECT_FALSE(Covers(changes, 0, 0));
    EXPECT_FALSE(Covers(changes, 2, 1));
    EXPECT_FALSE(Covers(changes, 63, 47));
    EXPECT_EQ(surface.Pixel(40, 30), 0u);
    // A coloured fill is a change of its whole rectangle.
    surface.SetBrushColor(clWhite);
    surface.FillRect(Rect32{10, 10, 20, 12});
    EXPECT_TRUE(Covers(surface.GatherChanges(), 19, 11));
}

namespace {

// Whether two buffers show the same picture over the view.
bool SamePicture(const WaylandSurface& surface, int a, int b, std::int32_t width,
                 std::int32_t height) {
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            if (surface.BufferPixel(a, x, y) != surface.BufferPixel(b, x, y)) return false;
    return true;
}

}  // namespace

TEST_F(SurfaceFixture, ABufferThatMissedFramesShowsWhatTheOtherShowsWithItsErasedDotsErased) {
    surface.BufferReleased(surface.ShownSlot());
    surface.SetPixel(3, 3, kYellow);  // A
    surface.Present();
    const int first = surface.ShownSlot();
    surface.SetPixel(40, 20, kYellow);  // P, into the other buffer while the first is held
    surface.Present();
    const int second = surface.ShownSlot();
    ASSERT_NE(first, second);
    EXPECT_EQ(surface.BufferPixel(second, 3, 3), 0x00FFFF00u);  // caught up with A
    surface.BufferReleased(first);
    // P erased and B drawn in the first buffer, then C, while the second stays held and
    // misses both frames.
    surface.SetPixel(40, 20, clBlack);
    surface.SetPixel(10, 30, kYellow);
    surface.Present();
    ASSERT_EQ(surface.ShownSlot(), first);
    EXPECT_EQ(surface.BufferPixel(first, 40, 20), 0u);
    surface.BufferReleased(first);
    surface.FillRect(Rect32{50, 40, 54, 44});  // C: the brush is black; nothing changes
    surface.SetBrushColor(clWhite);
    surface.FillRect(Rect32{50, 40, 54, 44});
    surface.Present();
    ASSERT_EQ(surface.ShownSlot(), first);
    // The first stays held: the next frame must go to the second, which lacks three frames.
    surface.BufferReleased(second);
    surface.SetPixel(60, 2, 0x000000FF);
    ASSERT_EQ(surface.DrawingSlot(), second);
    EXPECT_EQ(surface.BufferPixel(second, 40, 20), 0u);
    EXPECT_EQ(surface.BufferPixel(second, 10, 30), 0x00FFFF00u);
    EXPECT_EQ(surface.BufferPixel(second, 53, 43), 0x00FFFFFFu);
    EXPECT_EQ(surface.BufferPixel(second, 60, 2), 0x00FF0000u);
    surface.SetPixel(60, 2, clBlack);  // back as it was: now both buffers agree everywhere
    EXPECT_TRUE(SamePicture(surface, first, second, 64, 48));
}

TEST_F(SurfaceFixture, TheSpareTakesAFrameWhenBothBuffersAreHeldAndCatchesUpOnEverything) {
    // Six frames of a chequerboard in changing colours, each drawn into the buffer given back
    // last: the spare misses more separate changes than it can list, and then lacks everything.
    surface.BufferReleased(surface.ShownSlot());
    const ColorValue colours[] = {kYellow, 0x000000FF, clWhite, clBlack, kYellow, 0x00FF0000};
    for (const ColorValue colour : colours) {
        for (std::int32_t y = 0; y < 48; ++y)
            for (std::int32_t x = (y & 1); x < 64; x += 2) surface.SetPixel(x, y, colour);
        surface.Present();
        ASSERT_NE(surface.ShownSlot(), 2);
        surface.BufferReleased(surface.ShownSlot());
    }
    surface.SetPixel(63, 47, clBlack);  // erases the last chequer
    surface.Present();
    const int first = surface.ShownSlot();
    surface.SetPixel(0, 1, kYellow);  // a dot where no chequer is, in the other buffer
    surface.Present();
    const int second = surface.ShownSlot();
    ASSERT_NE(first, second);
    ASSERT_NE(second, 2);
    // Both held: the spare, caught up on everything.
    surface.SetPixel(0, 0, 0x00FF0000);  // the colour it has already
    ASSERT_EQ(surface.DrawingSlot(), 2);
    EXPECT_EQ(surface.Pixel(0, 0), 0x000000FFu);
    EXPECT_EQ(surface.Pixel(0, 1), 0x00FFFF00u);
    EXPECT_EQ(surface.Pixel(63, 47), 0u);
    EXPECT_TRUE(SamePicture(surface, 2, second, 64, 48));
}

TEST_F(SurfaceFixture, WithEveryBufferHeldAndNoCompositorAFrameDrawsNothing) {
    for (int i = 0; i < 2; ++i) {
        surface.SetPixel(i, 0, kYellow);
        surface.Present();
    }
    surface.SetPixel(9, 9, kYellow);
    EXPECT_EQ(surface.DrawingSlot(), -1);
    EXPECT_TRUE(surface.GatherChanges().Empty());
    surface.BufferReleased(0);
    surface.SetPixel(9, 9, kYellow);
    EXPECT_EQ(surface.DrawingSlot(), 0);
    EXPECT_EQ(surface.Pixel(9, 9), 0x00FFFF00u);
    EXPECT_EQ(surface.Pixel(1, 0), 0x00FFFF00u);
}

TEST_F(SurfaceFixture, NewBuffersTakeOverWhatWasDrawn) {
    surface.SetPixel(20, 20, kYellow);
    surface.Present();
    surface.SetPixel(21, 20, kYellow);  // drawn, not yet committed
    ASSERT_TRUE(surface.SetBuffers(nullptr, nullptr, {80, 60}));
    EXPECT_EQ(surface.Pixel(20, 20), 0x00FFFF00u);
    EXPECT_EQ(surface.Pixel(21, 20), 0x00FFFF00u);
    surface.Present();
    EXPECT_EQ(surface.LastDamageArea(), 80 * 60);
    // The others catch up with it once drawn into.
    const int shown = surface.ShownSlot();
    surface.SetPixel(5, 5, kYellow);
    ASSERT_NE(surface.DrawingSlot(), shown);
    EXPECT_EQ(surface.Pixel(21, 20), 0x00FFFF00u);
    EXPECT_EQ(surface.BufferPixel(surface.DrawingSlot(), 70, 50), 0u);
}

TEST_F(SurfaceFixture, TheBannersEndTurnsLitDotsBlackInABufferThatMissedThem) {
    surface.SetBrushColor(clBlack);
    surface.TextOut(0, 5, "Velmora");
    surface.SetPixel(40, 40, kYellow);
    surface.Present();
    const int lit = surface.ShownSlot();
    surface.FillRect(Rect32{0, 0, 64, 48});
    EXPECT_FALSE(surface.GatherChanges().Whole());
    surface.Present();
    const int black = surface.ShownSlot();
    ASSERT_NE(lit, black);
    for (std::int32_t y = 0; y < 48; ++y)
        for (std::int32_t x = 0; x < 64; ++x) ASSERT_EQ(surface.BufferPixel(black, x, y), 0u);
    surface.BufferReleased(lit);
    surface.SetPixel(0, 47, clBlack);  // a frame that changes nothing still catches up
    ASSERT_EQ(surface.DrawingSlot(), lit);
    for (std::int32_t y = 0; y < 48; ++y)
        for (std::int32_t x = 0; x < 64; ++x) ASSERT_EQ(surface.BufferPixel(lit, x, y), 0u);
}

TEST(WaylandSurface, TheSpareStaysUntouchedMemoryUntilItIsNeeded) {
    // A 1080p view: three buffers of 8 MB. The two drawn into in turn are written black whole
    // when made; the spare, needed only while the compositor holds both, takes no memory.
    DefaultSystemColors colors;
    WaylandSurface surface{nullptr, colors, nullptr};
    surface.SetViewSize(1920, 1080);
    ASSERT_TRUE(surface.SetBuffers(nullptr, nullptr, {1920, 1080}));
    surface.Present();
    for (int frame = 0; frame < 4; ++frame) {
        surface.SetPixel(100 + frame, 500, kYellow);
        surface.SetPixel(1800, 1000 - frame, kYellow);
        surface.Present();
        surface.BufferReleased(surface.ShownSlot() == 0 ? 1 : 0);
    }
    surface.SetBrushColor(clBlack);
    surface.FillRect(Rect32{0, 0, 1920, 1080});
    surface.Present();
    const ShmPool& pool = *surface.Pool();
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> resident((pool.Bytes() + page - 1) / page);
    ASSERT_EQ(mincore(pool.Data(), pool.Bytes(), resident.data()), 0);
    const auto touched = std::count_if(resident.begin(), resident.end(),
                                       [](unsigned char r) { return (r & 1) != 0; });
    const auto pages = static_cast<std::ptrdiff_t>(resident.size());
    EXPECT_LE(touched, pages * 2 / 3 + 2);
    EXPECT_GE(touched, pages * 2 / 3 - 2);
    EXPECT_EQ(surface.BufferPixel(0, 5, 5), 0u);
    // Both held: the spare is written black before it is drawn into.
    surface.SetPixel(7, 7, kYellow);
    ASSERT_EQ(surface.DrawingSlot(), 2);
    EXPECT_EQ(surface.BufferPixel(2, 5, 5), 0u);
    ASSERT_EQ(mincore(pool.Data(), pool.Bytes(), resident.data()), 0);
    EXPECT_EQ(std::count_if(resident.begin(), resident.end(),
                            [](unsigned char r) { return (r & 1) != 0; }),
              pages);
}

TEST_F(SurfaceFixture, TwoBuffersInTurnEachCatchUpWithTheFrameTheyMissed) {
    // As sway gives buffers back: each one a frame after the next commit. Stars move a dot a
    // frame, a box is filled now and then, and each frame's buffer must first show exactly the
    // picture of the buffer shown.
    int older = -1;
    for (int frame = 0; frame < 12; ++frame) {
        if (older >= 0) surface.BufferReleased(older);
        older = surface.ShownSlot();
        surface.SetPixel(63, 47, clBlack);  // changes nothing, but picks and catches up a buffer
        ASSERT_NE(surface.DrawingSlot(), surface.ShownSlot());
        ASSERT_TRUE(SamePicture(surface, surface.DrawingSlot(), surface.ShownSlot(), 64, 48))
            << "frame " << frame;
        for (int star = 0; star < 5; ++star) {
            surface.SetPixel(10 * star + frame - 1, 3 * star, clBlack);
            surface.SetPixel(10 * star + frame, 3 * star, frame % 2 ? kYellow : clWhite);
        }
        surface.SetBrushColor(frame % 3 ? clBlack : kYellow);
        surface.FillRect(Rect32{30, 30, 34 + frame, 33});
        surface.Present();
    }
}

TEST_F(SurfaceFixture, ADotMovingDownAPixelAFrameIsCaughtUpWholeInTheOtherBuffer) {
    // Erased above and drawn below, each frame's change is one rectangle a pixel wide and two
    // high: both of its pixels must reach the buffer that missed the frame.
    int older = -1;
    for (std::int32_t y = 1; y < 12; ++y) {
        if (older >= 0) surface.BufferReleased(older);
        older = surface.ShownSlot();
        surface.SetPixel(63, 47, clBlack);  // changes nothing, but picks and catches up a buffer
        ASSERT_NE(surface.DrawingSlot(), surface.ShownSlot());
        ASSERT_TRUE(SamePicture(surface, surface.DrawingSlot(), surface.ShownSlot(), 64, 48))
            << "the frame with the dot at row " << y;
        surface.SetPixel(20, y - 1, clBlack);
        surface.SetPixel(20, y, kYellow);
        surface.Present();
    }
}

TEST(WaylandSurface, AFrameWithMoreChangesThanTheListHoldsIsCaughtUpEverywhere) {
    // A chequerboard over 256x128 is 16384 separate dots, more than the exact list keeps.
    DefaultSystemColors colors;
    WaylandSurface surface{nullptr, colors, nullptr};
    surface.SetViewSize(256, 128);
    ASSERT_TRUE(surface.SetBuffers(nullptr, nullptr, {256, 128}));
    surface.Present();
    surface.BufferReleased(surface.ShownSlot());
    surface.SetPixel(5, 0, kYellow);
    surface.Present();
    const int first = surface.ShownSlot();
    // Given back as sway does, a frame after the next commit.
    for (std::int32_t y = 0; y < 128; ++y)
        for (std::int32_t x = y & 1; x < 256; x += 2) surface.SetPixel(x, y, clWhite);
    ASSERT_TRUE(surface.GatherChanges().Whole());
    surface.Present();
    const int second = surface.ShownSlot();
    ASSERT_NE(first, second);
    surface.BufferReleased(first);
    surface.SetPixel(5, 0, kYellow);  // as it is: changes nothing, but catches up a buffer
    ASSERT_EQ(surface.DrawingSlot(), first);
    EXPECT_TRUE(SamePicture(surface, first, second, 256, 128));
    // And the buffer after it, which missed only a dot of the frame after.
    surface.SetPixel(6, 0, kYellow);
    surface.Present();
    surface.BufferReleased(second);
    surface.SetPixel(6, 0, kYellow);
    ASSERT_EQ(surface.DrawingSlot(), second);
    EXPECT_TRUE(SamePicture(surface, first, second, 256, 128));
}

#include <memory>

#include "platform/memory/freetypetext.h"
#include "platform/memory/virtualtimer.h"
#include "platform/random.h"
#include "scene/scene.h"
#include "settings/settings.h"

// FreeType's text where a font is found; else null, and the banner is drawn in boxes by the same
// writer.
std::unique_ptr<TextEngine> FreeTypeOrBoxes() {
    try {
        return std::make_unique<FreeTypeText>();
    } catch (const std::exception&) {
        return nullptr;
    }
}

TEST(WaylandSurface, EveryPixelOfTheBuffersShownIsOpaque) {
    // The buffers are ARGB: a pixel with alpha 0 would let the compositor show what lies beneath
    // the saver, or keep it transparent in screenshots and screencasts.
    DefaultSystemColors colors;
    const std::unique_ptr<TextEngine> text = FreeTypeOrBoxes();
    WaylandSurface surface{nullptr, colors, text.get()};
    std::int32_t width = 320, height = 240;
    surface.SetViewSize(width, height);
    ASSERT_TRUE(surface.SetBuffers(nullptr, nullptr, {width, height}));
    const auto* words = reinterpret_cast<const std::uint32_t*>(surface.Pool()->Data());
    const std::size_t perBuffer =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height);

    SaverSettings settings;
    settings.Comet = true;
    settings.StarScroll = true;
    LcgRandom random;
    FixedClock clock(4711);
    auto scene = std::make_unique<SceneState>();
    InitScene(*scene, settings, width, height, surface, random, clock, 3);
    ApplyBannerFont(surface, false, static_cast<std::uint32_t>(width));
    int older = -1;
    std::vector<bool> shown(3, false);
    std::size_t lit = 0;
    for (int frame = 0; frame < 300; ++frame) {
        RunFrame(*scene, surface, random, frame < 150);
        if (frame == 150) EndBanner(*scene, surface);
        surface.Present();
        const int slot = surface.ShownSlot();
        shown[static_cast<std::size_t>(slot)] = true;
        // Each picture as the compositor is given it.
        const std::uint32_t* picture = words + static_cast<std::size_t>(slot) * perBuffer;
        lit = 0;
        for (std::size_t i = 0; i < perBuffer; ++i) {
            ASSERT_EQ(picture[i] >> 24, 0xFFu)
                << "frame " << frame << ", pixel " << i << " is " << std::hex << picture[i];
            if ((picture[i] & 0x00FFFFFFu) != 0) ++lit;
        }
        // Given back as sway gives them, each a frame after the next commit; now and then both
        // are held a while and the spare takes a frame.
        if (frame % 50 == 49) continue;
        if (older >= 0) surface.BufferReleased(older);
        older = slot;
    }
    EXPECT_TRUE(shown[0] && shown[1] && shown[2]);
    EXPECT_GT(lit, 100u);  // the drive, not only black
    // The whole view turned black, which blackens only the dots that were lit.
    if (older >= 0) surface.BufferReleased(older);
    surface.SetBrushColor(clBlack);
    surface.FillRect(Rect32{0, 0, width, height});
    surface.Present();
    const std::uint32_t* picture =
        words + static_cast<std::size_t>(surface.ShownSlot()) * perBuffer;
    for (std::size_t i = 0; i < perBuffer; ++i)
        ASSERT_EQ(picture[i], 0xFF000000u) << "pixel " << i << " after the view turned black";
}

// Magnified, as a 640x480 display mode is shown on Wayland: the scene enlarged by the saver into
// the whole buffer.
#include "platform/wayland/pixelblocks.h"
#include "tests/support/allocationcounter.h"

namespace {

// Whether buffer `slot` shows exactly `rect` in `colour` and black everywhere else.
::testing::AssertionResult ShowsOnly(const WaylandSurface& surface, int slot, Size32 size,
                                     const std::vector<std::pair<Rect32, std::uint32_t>>& rects) {
    for (std::int32_t y = 0; y < size.Height; ++y)
        for (std::int32_t x = 0; x < size.Width; ++x) {
            std::uint32_t expected = 0;
            for (const auto& [r, colour] : rects)
                if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) expected = colour;
            if (surface.BufferPixel(slot, x, y) != expected)
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << std::hex
                       << surface.BufferPixel(slot, x, y) << ", not " << expected;
        }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(MagnifiedSurface, ADotIsABlockAndOnlyTheBlocksThatChangedAreDamaged) {
    // 64x48 over 256x144: three pixels a dot, the picture from x = 32.
    DefaultSystemColors colors;
    WaylandSurface surface{nullptr, colors, nullptr};
    const Size32 size{256, 144};
    surface.SetViewSize(64, 48);
    surface.SetMagnified(true);
    ASSERT_TRUE(surface.SetBuffers(nullptr, nullptr, size));
    surface.Present();
    surface.BufferReleased(surface.ShownSlot());

    surface.SetPixel(10, 5, kYellow);
    surface.Present();
    const int first = surface.ShownSlot();
    EXPECT_EQ(surface.LastDamageArea(), 9);
    EXPECT_TRUE(ShowsOnly(surface, first, size, {{{62, 15, 65, 18}, 0x00FFFF00u}}));

    // The dot moves on while the compositor holds the first buffer.
    surface.SetPixel(10, 5, clBlack);
    surface.SetPixel(11, 5, kYellow);
    surface.Present();
    const int second = surface.ShownSlot();
    ASSERT_NE(first, second);
    EXPECT_EQ(surface.LastDamageArea(), 18);
    EXPECT_TRUE(ShowsOnly(surface, second, size, {{{65, 15, 68, 18}, 0x00FFFF00u}}));

    // Given back, the first buffer catches up with the frame it missed; only the new dot is
    // damaged.
    surface.BufferReleased(first);
    surface.SetPixel(40, 40, clWhite);
    surface.Present();
    ASSERT_EQ(surface.ShownSlot(), first);
    EXPECT_EQ(surface.LastDamageArea(), 9);
    EXPECT_TRUE(ShowsOnly(surface, first, size,
                          {{{65, 15, 68, 18}, 0x00FFFF00u}, {{152, 120, 155, 123}, 0x00FFFFFFu}}));
    EXPECT_EQ(surface.Pixel(11, 5), 0x00FFFF00u);  // the scene's own picture
}

TEST(MagnifiedSurface, WhatWasDrawnMovesIntoBlocksAndBackToOneDotAPixel) {
    DefaultSystemColors colors;
    WaylandSurface surface{nullptr, colors, nullptr};
    const Size32 size{256, 144};
    surface.SetViewSize(64, 48);
    ASSERT_TRUE(surface.SetBuffers(nullptr, nullptr, size));
    surface.Present();
    surface.BufferReleased(surface.ShownSlot());
    surface.SetPixel(10, 5, kYellow);
    surface.Present();
    ASSERT_EQ(surface.BufferPixel(surface.ShownSlot(), 10, 5), 0x00FFFF00u);

    // The dot at the corner, where a black band now lies, goes; its block comes.
    surface.SetMagnified(true);
    surface.BufferReleased(surface.ShownSlot());
    surface.Present();
    EXPECT_TRUE(ShowsOnly(surface, surface.ShownSlot(), size, {{{62, 15, 65, 18}, 0x00FFFF00u}}));
    // Every buffer follows, also one that still showed the corner dot.
    for (int frame = 0; frame < 3; ++frame) {
        surface.BufferReleased(surface.ShownSlot());
        surface.SetPixel(63, 47, clWhite);
        surface.SetPixel(63, 47, clBlack);  // a change that is none: nothing to commit
        surface.SetPixel(frame, 0, clWhite);
        surface.Present();
        EXPECT_EQ(surface.BufferPixel(surface.ShownSlot(), 10, 5), 0u);
        EXPECT_EQ(surface.BufferPixel(surface.ShownSlot(), 63, 16), 0x00FFFF00u);
    }

    surface.SetMagnified(false);
    surface.Present();
    const int shown = surface.ShownSlot();
    EXPECT_EQ(surface.BufferPixel(shown, 10, 5), 0x00FFFF00u);
    EXPECT_EQ(surface.BufferPixel(shown, 2, 0), 0x00FFFFFFu);
    EXPECT_EQ(surface.BufferPixel(shown, 63, 16), 0u);
}

TEST(MagnifiedSurface, TheDriveAndItsBannerKeepHardEdgesOpaqueBlocksAndAllocateNothing) {
    DefaultSystemColors colors;
    const std::unique_ptr<TextEngine> text = FreeTypeOrBoxes();
    WaylandSurface surface{nullptr, colors, text.get()};
    std::int32_t width = 640, height = 480;
    const Size32 size{1920, 1080};  // 2.25 pixels a dot
    surface.SetViewSize(width, height);
    surface.SetMagnified(true);
    ASSERT_TRUE(surface.SetBuffers(nullptr, nullptr, size));
    const auto* words = reinterpret_cast<const std::uint32_t*>(surface.Pool()->Data());
    const std::size_t perBuffer =
        static_cast<std::size_t>(size.Width) * static_cast<std::size_t>(size.Height);
    PixelBlocks blocks;
    blocks.Reset({width, height}, size);

    SaverSettings settings;
    settings.Comet = true;
    settings.StarScroll = true;
    LcgRandom random;
    FixedClock clock(4711);
    auto scene = std::make_unique<SceneState>();
    InitScene(*scene, settings, width, height, surface, random, clock, 3);
    ApplyBannerFont(surface, false, static_cast<std::uint32_t>(width));
    int older = -1;
    const auto frame = [&](int number) {
        RunFrame(*scene, surface, random, number < 100);
        surface.Present();
        if (older >= 0) surface.BufferReleased(older);
        older = surface.ShownSlot();
    };
    for (int number = 0; number < 60; ++number) frame(number);

    // The banner is on: each buffer pixel is the scene dot it maps to, opaque, and black beside.
    const std::uint32_t* picture = words + static_cast<std::size_t>(older) * perBuffer;
    std::size_t lit = 0;
    std::set<std::uint32_t> sceneColours, bufferColours;
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x) sceneColours.insert(surface.Pixel(x, y));
    for (std::int32_t y = 0; y < size.Height; ++y)
        for (std::int32_t x = 0; x < size.Width; ++x) {
            const std::uint32_t pixel = picture[static_cast<std::size_t>(y) * 1920 + x];
            ASSERT_EQ(pixel >> 24, 0xFFu) << x << "," << y;
            std::int32_t sx = 0, sy = 0;
            blocks.ToScene(x, y, sx, sy);
            const bool inside = x >= 240 && x < 1680;
            ASSERT_EQ(pixel & 0x00FFFFFFu, inside ? surface.Pixel(sx, sy) : 0u) << x << "," << y;
            bufferColours.insert(pixel & 0x00FFFFFFu);
            if ((pixel & 0x00FFFFFFu) != 0) ++lit;
        }
    EXPECT_GT(lit, 1000u);
    EXPECT_EQ(bufferColours, sceneColours);  // nothing blended between dots

    // A banner line redrawn over the picture is damaged as its blocks, no more.
    surface.SetBrushColor(clBlack);
    surface.TextOut(100, 300, "Velmora");
    const DamageList& changes = surface.GatherChanges();
    ASSERT_FALSE(changes.Whole());
    std::int64_t expected = 0;
    for (const Rect32& r : changes.Rects()) {
        const Rect32 b = blocks.ToBuffer(r);
        expected += static_cast<std::int64_t>(b.Right - b.Left) * (b.Bottom - b.Top);
    }
    ASSERT_EQ(changes.Rects().size(), 1u);
    surface.Present();
    EXPECT_EQ(surface.LastDamageArea(), expected);

    const long before = AllocationCount();
    for (int number = 60; number < 200; ++number) frame(number);
    EndBanner(*scene, surface);
    surface.Present();
    EXPECT_EQ(AllocationCount() - before, 0);
}
