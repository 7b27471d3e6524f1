// MemorySurface: a DrawingSurface kept as 32-bit pixels in memory, for tests and the recorder.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/memory/textengine.h"
#include "platform/surface.h"

// How a pixel word holds a colour: 0x00RRGGBB (the recorder's and the X server's order),
// 0xFFRRGGBB (opaque ARGB, as Wayland's shared-memory buffers are shown), or the R, G, B, A bytes
// of a canvas's ImageData (0xFFBBGGRR read as a word on a little-endian machine).
enum class PixelOrder { Xrgb, Argb, Rgba };

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
        if (static_cast<std::uint32_t>(x) < static_cast<std::uint32_t>(ViewWidth) &&
            static_cast<std::uint32_t>(y) < static_cast<std::uint32_t>(ViewHeight))
            Data[static_cast<std::size_t>(y) * static_cast<std::size_t>(RowStride) +
                 static_cast<std::size_t>(x)] = ToPixel(color);
    }
    void TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) override;
    std::int32_t TextHeight(std::string_view sjis) override;
    void FillRect(const Rect32& rect) override;
    void SetBrushColor(ColorValue color) override { Brush = color; }
    void SetFontSize(int points) override;
    void PrepareText(std::string_view sjis) override;

    std::int32_t Width() const { return ViewWidth; }
    std::int32_t Height() const { return ViewHeight; }
    std::uint32_t Pixel(std::int32_t x, std::int32_t y) const {
        return Data[static_cast<std::size_t>(y) * static_cast<std::size_t>(RowStride) +
                    static_cast<std::size_t>(x)];
    }
    // Row after row, `Stride()` pixels apart (the width, unless the pixels are borrowed).
    std::span<const std::uint32_t> Pixels() const { return {Data, Count}; }
    std::int32_t Stride() const { return RowStride; }
    // The box a text is drawn on, in the current font.
    TextExtent Measure(std::string_view sjis);
    // The last point size set, 0 while the font keeps its starting 16-pixel height.
    int FontPoints() const { return PointSize; }
    int CharHeight() const { return CharPixels; }
    ColorValue BrushColor() const { return Brush; }
    // The pixel that drawing `color` would store now.
    std::uint32_t ToPixel(ColorValue color) const {
        const std::uint32_t bgr = ColorToRGB(color, Colors);
        if (Order == PixelOrder::Rgba) return 0xFF000000u | bgr;
        const std::uint32_t rgb = ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
        return Order == PixelOrder::Argb ? 0xFF000000u | rgb : rgb;
    }

  private:
    static void Plot(void* context, std::int32_t x, std::int32_t y, std::uint8_t coverage);

    std::int32_t ViewWidth, ViewHeight;
    const SystemColorSource& Colors;
    TextEngine* Text;
    // Large views sit on huge pages where the system offers them, so that a frame's scattered
    // pixels cost the same on a 4K view as on a small one (no TLB misses).
    struct Free {
        void operator()(std::uint32_t* p) const;
    };
    std::size_t Count;
    std::unique_ptr<std::uint32_t[], Free> OwnPixels;  // null when the pixels are borrowed
    std::uint32_t* Data;
    std::int32_t RowStride;
    PixelOrder Order = PixelOrder::Xrgb;
    ColorValue Brush = 0;
    ColorValue FontColor = clWhite;
    int PointSize = 0;
    int CharPixels = 16;
    std::uint32_t TextBackground = 0;  // the brush pixel while a text is drawn
};
