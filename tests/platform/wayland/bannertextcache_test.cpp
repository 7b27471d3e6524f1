// The banner's lines kept as drawn: a line taken as standing when it does not is missing from the
// screen until the banner ends; one forgotten too eagerly only costs a redraw.
#include "platform/wayland/bannertextcache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr BannerTextCache::Look kLine{10, 20, 0x00FFFFFF, 12};
constexpr Rect32 kBox{10, 20, 110, 36};

std::vector<Rect32> Boxes(const BannerTextCache& cache) {
    std::vector<Rect32> boxes;
    cache.ForEachBox([&](const Rect32& box) { boxes.push_back(box); });
    return boxes;
}

}  // namespace

TEST(BannerTextCache, ALineHoldsOnlyAsItWasDrawn) {
    BannerTextCache cache;
    EXPECT_FALSE(cache.Holds(kLine, "Velmora"));
    cache.Remember(kLine, "Velmora", kBox);
    EXPECT_TRUE(cache.Holds(kLine, "Velmora"));
    EXPECT_FALSE(cache.Holds(kLine, "Velmor"));
    EXPECT_FALSE(cache.Holds(kLine, "Velmora!"));
    BannerTextCache::Look other = kLine;
    other.X = 11;
    EXPECT_FALSE(cache.Holds(other, "Velmora"));
    other = kLine;
    other.Y = 21;
    EXPECT_FALSE(cache.Holds(other, "Velmora"));
    other = kLine;
    other.Brush = 0;
    EXPECT_FALSE(cache.Holds(other, "Velmora"));
    other = kLine;
    other.Points = 14;
    EXPECT_FALSE(cache.Holds(other, "Velmora"));
}

TEST(BannerTextCache, DrawingAcrossALineForgetsItAndOnlyIt) {
    BannerTextCache cache;
    cache.Remember(kLine, "first", kBox);
    const BannerTextCache::Look below{10, 40, 0x00FFFFFF, 12};
    cache.Remember(below, "second", Rect32{10, 40, 110, 56});
    // Touching the box's edge from outside leaves it as drawn.
    cache.Touch(Rect32{110, 20, 111, 21});
    cache.Touch(Rect32{10, 36, 11, 37});
    EXPECT_TRUE(cache.Holds(kLine, "first"));
    // One pixel on its last column and row.
    cache.Touch(Rect32{109, 35, 110, 36});
    EXPECT_FALSE(cache.Holds(kLine, "first"));
    EXPECT_TRUE(cache.Holds(below, "second"));
    EXPECT_FALSE(cache.Covers(50, 25));
    EXPECT_TRUE(cache.Covers(50, 45));
    ASSERT_EQ(Boxes(cache).size(), 1u);
    EXPECT_EQ(Boxes(cache)[0].Top, 40);
    cache.Clear();
    EXPECT_FALSE(cache.Holds(below, "second"));
    EXPECT_TRUE(Boxes(cache).empty());
}

TEST(BannerTextCache, CoversExactlyTheHeldBoxes) {
    BannerTextCache cache;
    cache.Remember(kLine, "Velmora", kBox);
    EXPECT_TRUE(cache.Covers(10, 20));
    EXPECT_TRUE(cache.Covers(109, 35));
    EXPECT_FALSE(cache.Covers(9, 20));
    EXPECT_FALSE(cache.Covers(110, 20));
    EXPECT_FALSE(cache.Covers(10, 36));
    EXPECT_FALSE(cache.Covers(10, 19));
}

TEST(BannerTextCache, AFifthLineTakesTheFirstsPlaceAndALongLineIsNeverHeld) {
    BannerTextCache cache;
    for (int i = 0; i < 5; ++i) {
        const BannerTextCache::Look look{0, 20 * i, 0x00FFFFFF, 12};
        cache.Remember(look, "line", Rect32{0, 20 * i, 50, 20 * i + 16});
    }
    EXPECT_FALSE(cache.Holds(BannerTextCache::Look{0, 0, 0x00FFFFFF, 12}, "line"));
    for (int i = 1; i < 5; ++i)
        EXPECT_TRUE(cache.Holds(BannerTextCache::Look{0, 20 * i, 0x00FFFFFF, 12}, "line")) << i;
    EXPECT_EQ(Boxes(cache).size(), 4u);
    // A freed place is taken before the first line is pushed out.
    cache.Touch(Rect32{0, 40, 1, 41});
    const BannerTextCache::Look again{0, 0, 0x00FFFFFF, 12};
    cache.Remember(again, "line", Rect32{0, 0, 50, 16});
    EXPECT_TRUE(cache.Holds(BannerTextCache::Look{0, 20, 0x00FFFFFF, 12}, "line"));
    EXPECT_TRUE(cache.Holds(again, "line"));

    cache.Clear();
    const std::string longLine(129, 'x');
    cache.Remember(kLine, longLine, kBox);
    EXPECT_FALSE(cache.Holds(kLine, longLine));
    EXPECT_FALSE(cache.Covers(50, 25));
    const std::string longest(128, 'x');
    cache.Remember(kLine, longest, kBox);
    EXPECT_TRUE(cache.Holds(kLine, longest));
}
