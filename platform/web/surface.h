// PageSurface: the web page's drawing surface: RGBA pixels in WebAssembly memory that the page
// copies to its canvas, only the tiles drawn on since the last copy.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

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
        if (static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(width_) ||
            static_cast<std::uint32_t>(y) >= static_cast<std::uint32_t>(height_))
            return;
        pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                static_cast<std::size_t>(x)] = ToPixel(color);
        MarkTile(x, y);
    }
    void TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) override;
    std::int32_t TextHeight(std::string_view sjis) override;
    void FillRect(const Rect32& rect) override;
    void SetBrushColor(ColorValue color) override { brush_ = color; }
    void SetFontSize(int points) override;
    void PrepareText(std::string_view sjis) override;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    // Row after row, as the canvas's ImageData lays them out (R, G, B, A bytes).
    const std::uint32_t* Pixels() const { return pixels_.get(); }
    std::uint32_t Pixel(std::int32_t x, std::int32_t y) const {
        return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                       static_cast<std::size_t>(x)];
    }
    // The pixel word that drawing `color` stores now.
    std::uint32_t ToPixel(ColorValue color) const {
        return 0xFF000000u | ColorToRGB(color, colors_);  // 0x00BBGGRR is RGBA in memory
    }

    // What changed since the last call, as rectangles of (left, top, width, height) in
    // `Changes()`, and forgets it. Each rectangle is a run of neighbouring tiles of one tile row.
    int TakeChanges();
    std::span<const std::int32_t> Changes() const { return {rects_.get(), rectCount_ * 4}; }

    // The box of every text drawn since the view was made (the banner's lines), empty if none.
    Rect32 TextBounds() const { return textBounds_; }
    int CharHeight() const { return charHeight_; }

    static constexpr std::int32_t kTileShift = 4;  // 16 x 16 tiles

  private:
    void MarkTile(std::int32_t x, std::int32_t y) {
        tiles_[static_cast<std::size_t>(y >> kTileShift) * static_cast<std::size_t>(tileColumns_) +
               static_cast<std::size_t>(x >> kTileShift)] = 1;
    }
    TextExtent Measure(std::string_view sjis);
    static void Plot(void* context, std::int32_t x, std::int32_t y, std::uint8_t coverage);

    const SystemColorSource& colors_;
    TextEngine* text_;
    std::int32_t width_ = 0, height_ = 0;
    std::unique_ptr<std::uint32_t[]> pixels_;
    std::int32_t tileColumns_ = 0, tileRows_ = 0;
    std::unique_ptr<std::uint8_t[]> tiles_;  // 1: drawn on since the last TakeChanges
    std::unique_ptr<std::int32_t[]> rects_;  // room for one rectangle per tile
    std::size_t rectCount_ = 0;
    ColorValue brush_ = 0;
    int charHeight_ = 16;
    std::uint32_t textBackground_ = 0;
    Rect32 textBounds_;
};
