#include "platform/web/surface.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/common/systemcolors.h"
#include "settings/convert.h"

namespace {

// What the page's canvas would hold after copying each change the surface reported.
class Canvas {
  public:
    explicit Canvas(const PageSurface& surface)
        : ViewWidth(surface.Width()),
          Copied(static_cast<std::size_t>(surface.Width() * surface.Height()), 0) {}
    void Copy(PageSurface& surface) {
        surface.TakeChanges();
        const auto rects = surface.Changes();
        for (std::size_t i = 0; i < rects.size(); i += 4)
            for (std::int32_t y = rects[i + 1]; y < rects[i + 1] + rects[i + 3]; ++y)
                for (std::int32_t x = rects[i]; x < rects[i] + rects[i + 2]; ++x)
                    At(x, y) = surface.Pixel(x, y);
    }
    std::uint32_t& At(std::int32_t x, std::int32_t y) {
        return Copied[static_cast<std::size_t>(y * ViewWidth + x)];
    }
    int Differences(const PageSurface& surface) {
        int differ = 0;
        for (std::int32_t y = 0; y < surface.Height(); ++y)
            for (std::int32_t x = 0; x < surface.Width(); ++x)
                differ += At(x, y) != surface.Pixel(x, y);
        return differ;
    }

  private:
    std::int32_t ViewWidth;
    std::vector<std::uint32_t> Copied;
};

class PageSurfaceTest : public ::testing::Test {
  protected:
    DefaultSystemColors colors;
    PageSurface surface{colors, nullptr};
};

TEST_F(PageSurfaceTest, CopyingOnlyTheReportedChangesKeepsTheCanvasEqualToThePixels) {
    // A view whose sides are not whole tiles, drawn on as frames draw: dots, boxes and text.
    surface.Resize(203, 97);
    Canvas canvas(surface);
    canvas.Copy(surface);
    EXPECT_EQ(canvas.Differences(surface), 0) << "a new view is copied whole";
    std::mt19937 random(12345);
    auto coordinate = [&](int limit) {
        return static_cast<std::int32_t>(random() % (limit + 40)) - 20;
    };
    for (int round = 0; round < 50; ++round) {
        for (int i = 0; i < 40; ++i)
            surface.SetPixel(coordinate(203), coordinate(97),
                             static_cast<ColorValue>(random() & 0xFFFFFF));
        if (round % 7 == 0) {
            surface.SetBrushColor(static_cast<ColorValue>(random() & 0xFFFFFF));
            surface.FillRect(
                Rect32{coordinate(203), coordinate(97), coordinate(203), coordinate(97)});
        }
        if (round % 11 == 0) surface.TextOut(coordinate(203), coordinate(97), "abc");
        canvas.Copy(surface);
        ASSERT_EQ(canvas.Differences(surface), 0) << "round " << round;
    }
}

TEST_F(PageSurfaceTest, ReportsEachChangeOnceAsClippedRunsOfTiles) {
    surface.Resize(40, 20);
    surface.TakeChanges();
    EXPECT_EQ(surface.TakeChanges(), 0);
    surface.SetPixel(1, 1, clWhite);
    surface.SetPixel(17, 2, clWhite);   // the next tile of the same row: one run
    surface.SetPixel(39, 19, clWhite);  // the last, clipped tile
    surface.SetPixel(40, 5, clWhite);   // outside: nothing
    ASSERT_EQ(surface.TakeChanges(), 2);
    const auto r = surface.Changes();
    EXPECT_EQ(std::vector<std::int32_t>(r.begin(), r.end()),
              (std::vector<std::int32_t>{0, 0, 32, 16, 32, 16, 8, 4}));
    EXPECT_EQ(surface.TakeChanges(), 0);
}

TEST_F(PageSurfaceTest, PixelsAreOpaqueCanvasBytesWithSystemColoursResolved) {
    surface.Resize(4, 1);
    surface.SetPixel(0, 0, ColorFromText("clRed"));
    surface.SetPixel(1, 0, 0x00332211);
    surface.SetPixel(2, 0, cl3DLight);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(surface.Pixels());
    EXPECT_EQ(std::vector<int>(bytes, bytes + 16),
              (std::vector<int>{255, 0, 0, 255, 0x11, 0x22, 0x33, 255, 227, 227, 227, 255, 0, 0, 0,
                                255}));
}

TEST_F(PageSurfaceTest, TextIsDrawnOnItsBoxAndTheBoxesAreKept) {
    surface.Resize(100, 60);
    surface.SetBrushColor(0x00000080);
    surface.TextOut(2, 3, "ab");  // box font: half the 16-pixel height a byte
    surface.TextOut(0, 30, "a");
    const Rect32 box = surface.TextBounds();
    EXPECT_EQ((std::vector<int>{box.Left, box.Top, box.Right, box.Bottom}),
              (std::vector<int>{0, 3, 18, 46}));
    EXPECT_EQ(surface.Pixel(2, 3), 0xFFFFFFFFu) << "glyph";
    EXPECT_EQ(surface.Pixel(9, 3), surface.ToPixel(0x00000080))
        << "the gap between glyphs shows the box";
    surface.Resize(100, 60);
    EXPECT_EQ(surface.TextBounds().Right, 0) << "a new view has drawn no text";
}

}  // namespace
