// MemorySurface: a DrawingSurface kept as 32-bit pixels in memory, for tests and the recorder.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/memory/textengine.h"
#include "platform/surface.h"

// How a pixel word holds a colour: 0x00RRGGBB (the recorder's and the X server's order), or the
// R, G, B, A bytes of a canvas's ImageData (0xFFBBGGRR read as a word on a little-endian machine).
enum class PixelOrder { Xrgb, Rgba };

class MemorySurface final : public DrawingSurface {
  public:
    // Pixels are 0x00RRGGBB, all black at first. Without a text engine, text is drawn as boxes of
    // half the character height per byte (enough for tests of where text goes).
    MemorySurface(std::int32_t width, std::int32_t height, const SystemColorSource& colors,
                  TextEngine* text = nullptr);
    // A surface that draws into pixels it does not own: none (0 x 0) until Target gives some.
    MemorySurface(const SystemColorSource& colors, TextEngine* text,
                  PixelOrder order = PixelOrder::Xrgb);

    // Drawing goes to `width` x `height` pixels at `pixels`, rows `stride` pixels apart, which
    // the caller keeps alive; only for a surface made without pixels of its own. Font and brush
    // stay as they were.
    void Target(std::uint32_t* pixels, std::int32_t width, std::int32_t height,
                std::int32_t stride);

    void SetPixel(std::int32_t x, std::int32_t y, ColorValue color) override {
        if (static_cast<std::uint32_t>(x) < static_cast<std::uint32_t>(width_) &&
            static_cast<std::uint32_t>(y) < static_cast<std::uint32_t>(height_))
            data_[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_) +
                  static_cast<std::size_t>(x)] = ToPixel(color);
    }
    void TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) override;
    std::int32_t TextHeight(std::string_view sjis) override;
    void FillRect(const Rect32& rect) override;
    void SetBrushColor(ColorValue color) override { brush_ = color; }
    void SetFontSize(int points) override;
    void PrepareText(std::string_view sjis) override;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    std::uint32_t Pixel(std::int32_t x, std::int32_t y) const {
        return data_[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_) +
                     static_cast<std::size_t>(x)];
    }
    // Row after row, `Stride()` pixels apart (the width, unless the pixels are borrowed).
    std::span<const std::uint32_t> Pixels() const { return {data_, count_}; }
    std::int32_t Stride() const { return stride_; }
    // The box a text is drawn on, in the current font.
    TextExtent Measure(std::string_view sjis);
    // The last point size set, 0 while the font keeps its starting 16-pixel height.
    int FontPoints() const { return fontPoints_; }
    int CharHeight() const { return charHeight_; }
    ColorValue BrushColor() const { return brush_; }
    // The pixel that drawing `color` would store now.
    std::uint32_t ToPixel(ColorValue color) const {
        const std::uint32_t bgr = ColorToRGB(color, colors_);
        if (order_ == PixelOrder::Rgba) return 0xFF000000u | bgr;
        return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
    }

  private:
    static void Plot(void* context, std::int32_t x, std::int32_t y, std::uint8_t coverage);

    std::int32_t width_, height_;
    const SystemColorSource& colors_;
    TextEngine* text_;
    // Large views sit on huge pages where the system offers them, so that a frame's scattered
    // pixels cost the same on a 4K view as on a small one (no TLB misses).
    struct Free {
        void operator()(std::uint32_t* p) const;
    };
    std::size_t count_;
    std::unique_ptr<std::uint32_t[], Free> pixels_;  // null when the pixels are borrowed
    std::uint32_t* data_;
    std::int32_t stride_;
    PixelOrder order_ = PixelOrder::Xrgb;
    ColorValue brush_ = 0;
    ColorValue fontColor_ = clWhite;
    int fontPoints_ = 0;
    int charHeight_ = 16;
    std::uint32_t textBackground_ = 0;  // the brush pixel while a text is drawn
};
