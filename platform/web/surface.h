// PageSurface: the web page's drawing surface: RGBA pixels in WebAssembly memory that the page
// copies to its canvas, only the tiles drawn on since the last copy.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/memory/surface.h"
#include "platform/memory/textengine.h"
#include "platform/surface.h"

class PageSurface final : public DrawingSurface {
  public:
    // Pixels are the canvas's RGBA bytes, opaque. Without a text engine, text is drawn as boxes.
    PageSurface(const SystemColorSource& colors, TextEngine* text);

    // A new view of `width` x `height` opaque black pixels, all of it to be copied. Allocates;
    // frames never call it.
    void Resize(std::int32_t width, std::int32_t height);

    void SetPixel(std::int32_t x, std::int32_t y, ColorValue color) override {
        if (static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(Canvas.Width()) ||
            static_cast<std::uint32_t>(y) >= static_cast<std::uint32_t>(Canvas.Height()))
            return;
        Canvas.SetPixel(x, y, color);
        Tiles[static_cast<std::size_t>(y >> kTileShift) * static_cast<std::size_t>(TileColumns) +
              static_cast<std::size_t>(x >> kTileShift)] = 1;
    }
    void TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) override;
    std::int32_t TextHeight(std::string_view sjis) override { return Canvas.TextHeight(sjis); }
    void FillRect(const Rect32& rect) override;
    void SetBrushColor(ColorValue color) override { Canvas.SetBrushColor(color); }
    void SetFontSize(int points) override { Canvas.SetFontSize(points); }
    void PrepareText(std::string_view sjis) override { Canvas.PrepareText(sjis); }

    std::int32_t Width() const { return Canvas.Width(); }
    std::int32_t Height() const { return Canvas.Height(); }
    // Row after row, as the canvas's ImageData lays them out (R, G, B, A bytes).
    const std::uint32_t* Pixels() const { return Buffer.get(); }
    std::uint32_t Pixel(std::int32_t x, std::int32_t y) const { return Canvas.Pixel(x, y); }
    // The pixel word that drawing `color` stores now.
    std::uint32_t ToPixel(ColorValue color) const { return Canvas.ToPixel(color); }

    // What changed since the last call, as rectangles of (left, top, width, height) in
    // `Changes()`, and forgets it. Each rectangle is a run of neighbouring tiles of one tile row.
    int TakeChanges();
    std::span<const std::int32_t> Changes() const { return {Rects.get(), RectCount * 4}; }

    // The box of every text drawn since the view was made (the banner's lines), empty if none.
    Rect32 TextBounds() const { return TextBox; }
    int CharHeight() const { return Canvas.CharHeight(); }

    static constexpr std::int32_t kTileShift = 4;  // 16 x 16 tiles

  private:
    // Marks the tiles under `rect` (clipped to the view) as drawn on.
    void MarkTiles(const Rect32& rect);

    MemorySurface Canvas;  // draws into Buffer
    std::unique_ptr<std::uint32_t[]> Buffer;
    std::int32_t TileColumns = 0, TileRows = 0;
    std::unique_ptr<std::uint8_t[]> Tiles;  // 1: drawn on since the last TakeChanges
    std::unique_ptr<std::int32_t[]> Rects;  // room for one rectangle per tile
    std::size_t RectCount = 0;
    Rect32 TextBox;
};
