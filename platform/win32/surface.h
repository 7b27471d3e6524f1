// GdiSurface: the DrawingSurface on a window's device context (SetPixel, TextOutW, FillRect).
#pragma once

#include "platform/surface.h"

struct HWND__;
struct HDC__;
struct HFONT__;
struct HBRUSH__;

class GdiSurface final : public DrawingSurface {
  public:
    // Draws straight onto `window`'s client area through one DC held for the surface's life; the
    // font starts as the saver window's: "ＭＳ Ｐゴシック", Shift-JIS character set, white, 16
    // pixels high.
    GdiSurface(HWND__* window, const SystemColorSource& colors);
    // Draws on a DC the caller owns and keeps alive (a memory DC, for instance).
    GdiSurface(HDC__* dc, const SystemColorSource& colors);
    ~GdiSurface() override;
    GdiSurface(const GdiSurface&) = delete;
    GdiSurface& operator=(const GdiSurface&) = delete;

    void SetPixel(std::int32_t x, std::int32_t y, ColorValue color) override;
    void TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) override;
    std::int32_t TextHeight(std::string_view sjis) override;
    void FillRect(const Rect32& rect) override;
    void SetBrushColor(ColorValue color) override;
    void SetFontSize(int points) override;

    // The character height of the current font in pixels (negative LOGFONT height).
    int CharHeight() const { return CharPixels; }

  private:
    void Setup();
    void UseFont(int charHeight);

    HWND__* Hwnd;
    HDC__* Dc;
    const SystemColorSource& SystemColors;
    HFONT__* FontHandle = nullptr;
    HBRUSH__* BrushHandle = nullptr;
    ColorValue BrushColor = 0;
    int CharPixels = 16;
};
