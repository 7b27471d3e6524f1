// The record of what was ever drawn on: copies and clears visit only what it names, so a pixel
// it misses stays stale in a buffer, and one it adds faults in memory never needed.
#include "platform/wayland/drawntiles.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<Rect32> Runs(const DrawnTiles& tiles, std::int32_t width, std::int32_t height) {
    std::vector<Rect32> runs;
    tiles.ForEachRun(width, height, [&](const Rect32& r) { runs.push_back(r); });
    return runs;
}

bool operator==(const Rect32& a, const Rect32& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

}  // namespace

TEST(DrawnTiles, ADotNamesThePageOfItsRowOnly) {
    DrawnTiles tiles;
    tiles.Reset(3840, 4);
    EXPECT_FALSE(tiles.Any());
    tiles.MarkPixel(1500, 2);
    EXPECT_TRUE(tiles.Any());
    const std::vector<Rect32> runs = Runs(tiles, 3840, 4);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(runs[0] == (Rect32{1024, 2, 2048, 3}));
}

TEST(DrawnTiles, ARectangleNamesEveryTileItTouchesJoinedAlongEachRow) {
    DrawnTiles tiles;
    tiles.Reset(3840, 10);
    // Ends one pixel into the third tile and starts on the last pixel of the first.
    tiles.Mark(Rect32{1023, 3, 2049, 5});
    const std::vector<Rect32> runs = Runs(tiles, 3840, 10);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_TRUE(runs[0] == (Rect32{0, 3, 3072, 4}));
    EXPECT_TRUE(runs[1] == (Rect32{0, 4, 3072, 5}));
    // A rectangle ending on a tile's edge does not reach into the next tile.
    tiles.Reset(3840, 10);
    tiles.Mark(Rect32{0, 0, 1024, 1});
    ASSERT_EQ(Runs(tiles, 3840, 10).size(), 1u);
    EXPECT_EQ(Runs(tiles, 3840, 10)[0].Right, 1024);
    // An empty rectangle draws nothing.
    tiles.Mark(Rect32{5, 5, 5, 9});
    EXPECT_EQ(Runs(tiles, 3840, 10).size(), 1u);
}

TEST(DrawnTiles, RunsStopAtAGapAndAtTheClip) {
    DrawnTiles tiles;
    tiles.Reset(4000, 3);
    tiles.MarkPixel(10, 0);
    tiles.MarkPixel(3999, 0);  // the last, partial tile
    tiles.MarkPixel(10, 2);
    std::vector<Rect32> runs = Runs(tiles, 4000, 3);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_TRUE(runs[0] == (Rect32{0, 0, 1024, 1}));
    EXPECT_TRUE(runs[1] == (Rect32{3072, 0, 4000, 1}));
    EXPECT_TRUE(runs[2] == (Rect32{0, 2, 1024, 3}));
    // Buffers smaller than the view: what lies beyond them is left out.
    runs = Runs(tiles, 3000, 2);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(runs[0] == (Rect32{0, 0, 1024, 1}));
}
