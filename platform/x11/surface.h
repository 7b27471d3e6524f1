// XSurface: the saver window's DrawingSurface over Xlib and Xft.
#pragma once

#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>

#include <cstdint>
#include <string>

#include "platform/color.h"
#include "platform/surface.h"
#include "platform/x11/visualpixels.h"

// Pixels set between two flushes are gathered, so that the server gets only the final colour of
// each pixel, batched by colour (XDrawPoints); text and fills flush what came before them, so the
// drawing order holds. Memory is fixed: no image of the screen is kept.
class XSurface final : public DrawingSurface {
  public:
    // `display` is a connection of the surface's own; `window` the window drawn on.
    XSurface(Display* display, ::Window window, const SystemColorSource& colors);
    ~XSurface() override;
    XSurface(const XSurface&) = delete;
    XSurface& operator=(const XSurface&) = delete;

    void SetViewSize(std::int32_t width, std::int32_t height);

    void SetPixel(std::int32_t x, std::int32_t y, ColorValue color) override;
    void TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) override;
    std::int32_t TextHeight(std::string_view sjis) override;
    void FillRect(const Rect32& rect) override;
    void SetBrushColor(ColorValue color) override;
    void SetFontSize(int points) override;
    void PrepareText(std::string_view sjis) override;

    // Empty when the window's visual can show the scene's colours; else why not.
    const std::string& Unsupported() const { return PixelValues.Unsupported(); }

    // Sends the gathered pixels and flushes the connection.
    void Flush();

    // The RENDER picture that texts and their boxes are drawn through; 0 without RENDER.
    unsigned long RenderPicture() const { return Picture; }

    // Requests sent so far (points batches, texts, fills), for the benchmark's figures.
    std::uint64_t PointsSent() const { return SentPoints; }

  private:
    XSurface(Display* display, ::Window window, const SystemColorSource& colors,
             const XWindowAttributes& attributes);

    struct Pending {
        std::uint32_t Key;    // (x << 16) | y
        unsigned long Pixel;  // server pixel value
        std::int32_t Slot;    // its place in `Slots`
    };
    static constexpr int kTableSize = 8192;  // power of two
    static constexpr int kMaxPending = kTableSize / 2;
    static constexpr int kTextCache = 8;

    void SendPixels();
    void OpenFont(int pixelSize);
    const std::string& Utf8For(std::string_view sjis);

    Display* Connection;
    ::Window XWindow;
    const SystemColorSource& Colors;
    GC Gc = nullptr;
    Visual* XVisual = nullptr;
    Colormap XColormap = 0;
    XftDraw* Draw = nullptr;
    unsigned long Picture = 0;
    XftFont* Font = nullptr;
    XftColor FontColor{};
    XftColor BrushXft{};
    unsigned long BrushPixel = 0;
    unsigned long LastForeground = ~0ul;
    VisualPixels PixelValues;
    std::int32_t Width = 0, Height = 0;

    // The pending pixels: an open-addressing index into `PendingPixels`.
    std::int32_t Slots[kTableSize];
    Pending PendingPixels[kMaxPending];
    XPoint Points[kMaxPending];
    int PendingCount = 0;

    struct CachedText {
        std::string Sjis, Utf8;
    };
    CachedText Texts[kTextCache];
    int TextCount = 0;
    std::string Scratch;
    std::uint64_t SentPoints = 0;
};
