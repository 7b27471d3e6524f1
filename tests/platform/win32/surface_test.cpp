// GdiSurface on a memory DC: colours, clipping, fills and Shift-JIS text through real GDI.
#include <gtest/gtest.h>

#include "platform/win32/sjis.h"
#include "platform/win32/surface.h"
#include "platform/win32/systemcolors.h"
#include "platform/win32/win.h"
#include "scene/scene.h"

namespace {

// A 64 x 48 top-down DIB selected into a memory DC; pixels read back as 0x00RRGGBB.
class GdiSurfaceTest : public ::testing::Test {
  protected:
    static constexpr int kW = 64, kH = 48;
    void SetUp() override {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kW;
        info.bmiHeader.biHeight = -kH;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits),
                                  nullptr, 0);
        ASSERT_NE(bitmap, nullptr);
        old = SelectObject(dc, bitmap);
    }
    void TearDown() override {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    std::uint32_t Pixel(int x, int y) {
        GdiFlush();
        return bits[y * kW + x] & 0x00FFFFFFu;
    }
    int LitPixels(int top, int bottom) {
        GdiFlush();
        int lit = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < kW; ++x) lit += (bits[y * kW + x] & 0xFFFFFF) != 0;
        return lit;
    }

    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    std::uint32_t* bits = nullptr;
    Win32SystemColors colors;
};

TEST_F(GdiSurfaceTest, PlainColoursLandAsTheirRedGreenBlue) {
    GdiSurface surface(dc, colors);
    surface.SetPixel(3, 4, 0x000000FF);  // clRed
    surface.SetPixel(5, 6, 0x00FF0000);  // clBlue
    surface.SetPixel(7, 8, 0x0001FEFF);  // red 255, green 254, blue 1
    EXPECT_EQ(Pixel(3, 4), 0xFF0000u);
    EXPECT_EQ(Pixel(5, 6), 0x0000FFu);
    EXPECT_EQ(Pixel(7, 8), 0xFFFE01u);
}

TEST_F(GdiSurfaceTest, SystemColourIsTheDesktopsCurrentValue) {
    GdiSurface surface(dc, colors);
    surface.SetPixel(1, 1, static_cast<ColorValue>(0x80000016u));  // cl3DLight
    const COLORREF light = GetSysColor(COLOR_3DLIGHT);
    EXPECT_EQ(Pixel(1, 1), (static_cast<std::uint32_t>(GetRValue(light)) << 16) |
                               (static_cast<std::uint32_t>(GetGValue(light)) << 8) |
                               GetBValue(light));
}

TEST_F(GdiSurfaceTest, PixelsOutsideTheViewAreIgnored) {
    GdiSurface surface(dc, colors);
    surface.SetPixel(-1, 0, 0xFFFFFF);
    surface.SetPixel(kW, 0, 0xFFFFFF);
    surface.SetPixel(0, kH, 0xFFFFFF);
    surface.SetPixel(70000, -70000, 0xFFFFFF);
    EXPECT_EQ(LitPixels(0, kH), 0);
}

TEST_F(GdiSurfaceTest, FillIncludesLeftTopAndExcludesRightBottom) {
    for (int i = 0; i < kW * kH; ++i) bits[i] = 0xFFFFFF;
    GdiSurface surface(dc, colors);
    surface.SetBrushColor(0);
    surface.FillRect(Rect32{2, 3, 10, 12});
    EXPECT_EQ(Pixel(2, 3), 0u);
    EXPECT_EQ(Pixel(9, 11), 0u);
    EXPECT_EQ(Pixel(10, 11), 0xFFFFFFu);
    EXPECT_EQ(Pixel(9, 12), 0xFFFFFFu);
    EXPECT_EQ(Pixel(1, 3), 0xFFFFFFu);
}

TEST_F(GdiSurfaceTest, FontSizeFollowsPointsTimesDpiOver72) {
    GdiSurface surface(dc, colors);
    EXPECT_EQ(surface.CharHeight(), 16);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    surface.SetFontSize(10);
    EXPECT_EQ(surface.CharHeight(), (10 * dpi + 36) / 72);
    surface.SetFontSize(5);
    EXPECT_EQ(surface.CharHeight(), (5 * dpi + 36) / 72);
}

TEST_F(GdiSurfaceTest, BannerTextDrawsWhiteOnTheBrushInsideItsMeasuredHeight) {
    GdiSurface surface(dc, colors);
    surface.SetBrushColor(0);
    const int h = surface.TextHeight(kBannerLine2);
    EXPECT_GE(h, 14);
    EXPECT_LE(h, 24);
    surface.TextOut(0, 5, kBannerLine2);
    EXPECT_GT(LitPixels(5, 5 + h), 20);
    EXPECT_EQ(LitPixels(5 + h, kH), 0);
    EXPECT_EQ(LitPixels(0, 5), 0);
}

TEST(SjisToWide, BannerLineBecomesItsUnicodeText) {
    // " ヴェルモラへ" and four HALFWIDTH KATAKANA MIDDLE DOTs
    EXPECT_EQ(SjisToWide(kBannerLine2),
              std::wstring(L" \x30F4\x30A7\x30EB\x30E2\x30E9\x3078\xFF65\xFF65\xFF65\xFF65"));
}

TEST(SjisToWide, FixedBufferConversionCutsAndTerminates) {
    wchar_t out[4];
    EXPECT_EQ(SjisToWide("Velmora", out, 4), 3u);
    EXPECT_EQ(std::wstring(out), L"Vel");
    EXPECT_EQ(SjisToWide("", out, 4), 0u);
    EXPECT_EQ(out[0], L'\0');
}

TEST(SjisToWide, RoundTripsTheHalfWidthKatakanaOfTheErrorMessages) {
    // "ﾃﾞｰﾀ型" as in "'%s' のﾃﾞｰﾀ型が不正です"
    const std::string sjis = "\xC3\xDE\xB0\xC0\x8C^";
    EXPECT_EQ(SjisToWide(sjis), std::wstring(L"\xFF83\xFF9E\xFF70\xFF80\x578B"));
    EXPECT_EQ(WideToSjis(SjisToWide(sjis)), sjis);
}

}  // namespace
