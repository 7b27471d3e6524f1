// The in-memory surface: clipping, colour resolution, fills, fonts and text boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/common/systemcolors.h"
#include "platform/memory/freetypetext.h"
#include "platform/memory/surface.h"
#include "scene/scene.h"

namespace {

TEST(MemorySurface, PixelsOutsideTheViewAreIgnored) {
    DefaultSystemColors colors;
    MemorySurface s(4, 3, colors);
    for (auto [x, y] :
         {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 3}, {-2147483647 - 1, 1}, {1, 2147483647}})
        s.SetPixel(x, y, clWhite);
    for (std::uint32_t p : s.Pixels()) EXPECT_EQ(p, 0u);
    s.SetPixel(3, 2, clWhite);
    EXPECT_EQ(s.Pixel(3, 2), 0xFFFFFFu);
}

TEST(MemorySurface, ColoursAreStoredAsRgbAndSystemColoursResolvedWhenDrawn) {
    DefaultSystemColors colors;
    MemorySurface s(2, 2, colors);
    s.SetPixel(0, 0, 0x000000FF);  // red in the low byte
    EXPECT_EQ(s.Pixel(0, 0), 0xFF0000u);
    s.SetPixel(1, 0, static_cast<ColorValue>(0x80000016u));  // 3-D light
    EXPECT_EQ(s.Pixel(1, 0), 0xE3E3E3u);
    s.SetPixel(0, 1, static_cast<ColorValue>(0x80000030u));  // no such system colour
    EXPECT_EQ(s.Pixel(0, 1), 0u);
    s.SetPixel(1, 1, 0x1FFFFFFF);  // "none": its low three bytes
    EXPECT_EQ(s.Pixel(1, 1), 0xFFFFFFu);
}

TEST(MemorySurface, FillIncludesLeftAndTopButNotRightAndBottom) {
    DefaultSystemColors colors;
    MemorySurface s(5, 5, colors);
    s.SetBrushColor(clWhite);
    s.FillRect(Rect32{1, 1, 3, 4});
    int lit = 0;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool inside = x >= 1 && x < 3 && y >= 1 && y < 4;
            EXPECT_EQ(s.Pixel(x, y) != 0, inside) << x << "," << y;
            lit += inside;
        }
    EXPECT_EQ(lit, 6);
    s.FillRect(Rect32{-100, -100, 100, 100});  // clipped, no fault
    EXPECT_EQ(s.Pixel(4, 4), 0xFFFFFFu);
}

TEST(MemorySurface, FontSizeInPointsBecomesCharacterHeightAt96Dpi) {
    DefaultSystemColors colors;
    MemorySurface s(1, 1, colors);
    EXPECT_EQ(s.CharHeight(), 16);
    const std::pair<int, int> sizes[] = {{5, 7}, {10, 13}, {12, 16}, {14, 19}, {18, 24}};
    for (auto [points, pixels] : sizes) {
        s.SetFontSize(points);
        EXPECT_EQ(s.CharHeight(), pixels) << points;
    }
}

struct FreeTypeSurface : ::testing::Test {
    std::unique_ptr<FreeTypeText> text;
    void SetUp() override {
        try {
            text = std::make_unique<FreeTypeText>();
        } catch (const std::exception& e) {
            GTEST_SKIP() << e.what();
        }
    }
};

TEST_F(FreeTypeSurface, BannerTextIsWhiteOnAnOpaqueBlackBoxOfItsExtent) {
    DefaultSystemColors colors;
    MemorySurface s(400, 60, colors, text.get());
    s.SetBrushColor(clWhite);
    s.FillRect(Rect32{0, 0, 400, 60});  // a white page, so the text's black box shows
    s.SetBrushColor(clBlack);
    s.TextOut(10, 5, kBannerLine1);
    const std::int32_t h = s.TextHeight(kBannerLine1);
    EXPECT_GE(h, 16);
    EXPECT_LE(h, 24);
    int white = 0, black = 0, boxRight = 10;
    for (int y = 5; y < 5 + h; ++y)
        for (int x = 10; x < 400; ++x) {
            const std::uint32_t p = s.Pixel(x, y);
            if (p == 0) {
                ++black;
                boxRight = std::max(boxRight, x);
            } else if (p == 0xFFFFFFu && x < boxRight) {
                ++white;
            }
        }
    EXPECT_GT(black, 100);
    EXPECT_GT(white, 30) << "glyph pixels inside the box";
    EXPECT_GT(boxRight, 150) << "24 characters of a 16-pixel font";
    EXPECT_EQ(s.Pixel(9, 10), 0xFFFFFFu) << "nothing left of the box";
    EXPECT_EQ(s.Pixel(20, 4), 0xFFFFFFu) << "nothing above it";
}

TEST_F(FreeTypeSurface, JapaneseLineIsDrawnWithRealGlyphs) {
    DefaultSystemColors colors;
    MemorySurface s(300, 40, colors, text.get());
    s.TextOut(0, 0, kBannerLine2);
    int lit = 0;
    for (std::uint32_t p : s.Pixels()) lit += p != 0;
    EXPECT_GT(lit, 60);
    // Six full-width characters and five half-width ones at 16 pixels: far narrower than eleven
    // full-width boxes, so the dots really are drawn half-width.
    int right = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 300; ++x)
            if (s.Pixel(x, y) != 0) right = std::max(right, x);
    EXPECT_GT(right, 6 * 12);
    EXPECT_LT(right, 10 * 16);
}

TEST_F(FreeTypeSurface, TextLongerThanOneDecodingBatchIsMeasuredAndDrawnWhole) {
    // Hundreds of characters, single- and double-byte mixed: every glyph counts, none is lost or
    // written past a buffer at the batch boundary.
    const int ascii = text->Measure("a").Width;
    EXPECT_EQ(text->Measure(std::string(300, 'a')).Width, 300 * ascii);
    std::string japanese;
    for (int i = 0; i < 30; ++i) japanese += kBannerLine2;
    const int line = text->Measure(kBannerLine2).Width;
    EXPECT_EQ(text->Measure(japanese).Width, 30 * line);
    // A byte that is no Shift-JIS right where a batch fills up still counts as one mark.
    const int mark = text->Measure("\xFF").Width;
    EXPECT_GT(mark, 0);
    EXPECT_EQ(text->Measure(std::string(256, 'a') + "\xFF" + "a").Width, 257 * ascii + mark);

    DefaultSystemColors colors;
    MemorySurface s(40 * line, 20, colors, text.get());
    s.TextOut(0, 0, japanese);
    int right = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40 * line; ++x)
            if (s.Pixel(x, y) != 0) right = std::max(right, x);
    EXPECT_GT(right, 29 * line) << "the last copies of the line are drawn too";
}

TEST_F(FreeTypeSurface, LargerFontsGiveTallerText) {
    DefaultSystemColors colors;
    MemorySurface s(10, 10, colors, text.get());
    s.SetFontSize(5);
    const int small = s.TextHeight(kBannerLine1);
    s.SetFontSize(18);
    const int large = s.TextHeight(kBannerLine1);
    EXPECT_LT(small, 12);
    EXPECT_GT(large, 22);
}

}  // namespace
