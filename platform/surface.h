// DrawingSurface: the saver window's client area as the scene draws on it.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/color.h"

struct Rect32 {
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// Drawn on directly, with no back buffer: what a frame does not touch stays as it was. Texts are
// one line of Shift-JIS; a surface converts them for its font engine itself. Every operation is
// called from one thread at a time; none may allocate once PrepareText has seen the text.
class DrawingSurface {
  public:
    virtual ~DrawingSurface() = default;

    // One pixel; colour 0 is black, the background. A pixel outside the view is ignored.
    virtual void SetPixel(std::int32_t x, std::int32_t y, ColorValue color) = 0;
    // One line of text in the surface font with the top-left corner of its cell at (x, y), on an
    // opaque box of the brush colour.
    virtual void TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) = 0;
    // Height in pixels of the text's extent in the surface font.
    virtual std::int32_t TextHeight(std::string_view sjis) = 0;
    // Fills [Left, Right) x [Top, Bottom) with the brush colour.
    virtual void FillRect(const Rect32& rect) = 0;
    // The brush is always solid; only its colour is set.
    virtual void SetBrushColor(ColorValue color) = 0;
    // Character height := points * dpi / 72, rounded; face, charset, colour and style stay.
    virtual void SetFontSize(int points) = 0;
    // Called before frames start with every text they will draw, so that glyph caches are warm and
    // drawing the text later allocates nothing.
    virtual void PrepareText(std::string_view sjis) { (void)sjis; }
};
