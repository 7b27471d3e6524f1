// A small scene enlarged over a whole buffer as a monitor shows a small display mode: solid
// blocks with hard edges, the picture centred with its aspect kept.
#include "platform/wayland/pixelblocks.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

constexpr std::uint32_t kSentinel = 0x12345678u;

struct Picture {
    Size32 Size;
    std::vector<std::uint32_t> Pixels;
    Picture(std::int32_t width, std::int32_t height, std::uint32_t fill)
        : Size{width, height},
          Pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}
    std::uint32_t& At(std::int32_t x, std::int32_t y) {
        return Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Size.Width) +
                      static_cast<std::size_t>(x)];
    }
};

// The widths of the blocks along one edge of the picture, found by walking the mapping back.
std::set<std::int32_t> BlockSizes(const PixelBlocks& blocks, std::int32_t dots, bool columns) {
    std::set<std::int32_t> sizes;
    for (std::int32_t i = 0; i < dots; ++i) {
        const Rect32 r = blocks.ToBuffer(columns ? Rect32{i, 0, i + 1, 1} : Rect32{0, i, 1, i + 1});
        sizes.insert(columns ? r.Right - r.Left : r.Bottom - r.Top);
    }
    return sizes;
}

}  // namespace

TEST(PixelBlocks, A640x480SceneFillsTheHeightOfAWideOutputCentredWithItsAspectKept) {
    PixelBlocks blocks;
    blocks.Reset({640, 480}, {1920, 1080});
    EXPECT_EQ(blocks.Picture().Left, 240);
    EXPECT_EQ(blocks.Picture().Top, 0);
    EXPECT_EQ(blocks.Picture().Right, 1680);
    EXPECT_EQ(blocks.Picture().Bottom, 1080);
    // 2.25 pixels a dot: blocks of 2 and 3, nothing else, side by side without gaps.
    EXPECT_EQ(BlockSizes(blocks, 640, true), (std::set<std::int32_t>{2, 3}));
    EXPECT_EQ(BlockSizes(blocks, 480, false), (std::set<std::int32_t>{2, 3}));
    std::int32_t sum = 0;
    for (std::int32_t x = 0; x < 640; ++x) {
        const Rect32 r = blocks.ToBuffer({x, 0, x + 1, 1});
        EXPECT_EQ(r.Left, 240 + sum);
        sum += r.Right - r.Left;
    }
    EXPECT_EQ(sum, 1440);

    blocks.Reset({640, 480}, {2560, 1920});  // exactly 4 times, nothing beside it
    EXPECT_EQ(BlockSizes(blocks, 640, true), (std::set<std::int32_t>{4}));
    EXPECT_EQ(blocks.Picture().Left, 0);
    // A portrait output keeps its width, the picture centred between bands above and below.
    blocks.Reset({640, 480}, {1080, 1920});
    EXPECT_EQ(blocks.Picture().Left, 0);
    EXPECT_EQ(blocks.Picture().Right, 1080);
    EXPECT_EQ(blocks.Picture().Top, 555);
    EXPECT_EQ(blocks.Picture().Bottom, 1365);
}

TEST(PixelBlocks, ADotBecomesOneSolidBlockInItsPlaceAndNothingElseIsWritten) {
    PixelBlocks blocks;
    blocks.Reset({640, 480}, {3840, 2160});  // 4.5 pixels a dot, the picture from x = 480
    Picture scene(640, 480, 0xFF000000u);
    Picture buffer(3840, 2160, kSentinel);
    scene.At(100, 50) = 0xFFFF0000u;
    scene.At(101, 50) = 0xFF00FF00u;  // beside it but not asked for
    blocks.Enlarge(scene.Pixels.data(), 640, buffer.Pixels.data(), 3840, {100, 50, 101, 51});
    // Dot 100 spans 450 to 454.5 of the picture: pixels 930 to 933; row 50 rows 225 to 228.
    const Rect32 expected{930, 225, 934, 229};
    EXPECT_EQ(blocks.ToBuffer({100, 50, 101, 51}).Left, expected.Left);
    EXPECT_EQ(blocks.ToBuffer({100, 50, 101, 51}).Bottom, expected.Bottom);
    for (std::int32_t y = 0; y < 2160; ++y)
        for (std::int32_t x = 0; x < 3840; ++x) {
            const bool inside = x >= expected.Left && x < expected.Right && y >= expected.Top &&
                                y < expected.Bottom;
            ASSERT_EQ(buffer.At(x, y), inside ? 0xFFFF0000u : kSentinel) << x << "," << y;
        }
}

TEST(PixelBlocks, AnEnlargedAreaHoldsOnlyTheScenesColoursEachBlockWhole) {
    PixelBlocks blocks;
    blocks.Reset({64, 48}, {150, 100});  // 2.08 pixels a dot: irregular blocks
    Picture scene(64, 48, 0);
    for (std::int32_t y = 0; y < 48; ++y)
        for (std::int32_t x = 0; x < 64; ++x)
            scene.At(x, y) = static_cast<std::uint32_t>(y * 64 + x);  // every dot its own colour
    Picture buffer(150, 100, kSentinel);
    blocks.Enlarge(scene.Pixels.data(), 64, buffer.Pixels.data(), 150, {0, 0, 64, 48});
    const Rect32 picture = blocks.Picture();
    for (std::int32_t y = 0; y < 100; ++y)
        for (std::int32_t x = 0; x < 150; ++x) {
            const bool inside =
                x >= picture.Left && x < picture.Right && y >= picture.Top && y < picture.Bottom;
            if (!inside) {
                ASSERT_EQ(buffer.At(x, y), kSentinel) << x << "," << y;
                continue;
            }
            // Each pixel shows exactly the dot it maps back to: no blend, no gap, no overlap.
            std::int32_t sx = 0, sy = 0;
            blocks.ToScene(x, y, sx, sy);
            ASSERT_EQ(buffer.At(x, y), scene.At(sx, sy)) << x << "," << y;
        }
}

TEST(PixelBlocks, ThePointerBesideThePictureIsOverTheNearestDotOfItsEdge) {
    PixelBlocks blocks;
    blocks.Reset({640, 480}, {1920, 1080});
    std::int32_t x = -1, y = -1;
    blocks.ToScene(0, 0, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    blocks.ToScene(1919, 1079, x, y);
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 479);
    blocks.ToScene(242, 3, x, y);  // the second block of each edge
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 1);
}
