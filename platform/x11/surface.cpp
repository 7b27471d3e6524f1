#include "platform/x11/surface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/posix/codepage.h"

namespace {

// The face of the saver's font where installed, then the proportional Japanese Gothic faces a
// Linux desktop has; the ja language keeps fontconfig to faces with the kana.
// (A font name: the families are tried in order; "-" would start the size, hence "\\-".)
constexpr const char* kFontFamilies =
    "MS PGothic,IPAPGothic,IPAGothic,Noto Sans CJK JP,sans\\-serif";
constexpr int kDotsPerInch = 96;
constexpr int kStartPixelSize = 16;

}  // namespace

namespace {

XWindowAttributes AttributesOf(Display* display, ::Window window) {
    XWindowAttributes attributes{};
    // A window lent by another client may go at any moment, also just before this question: the
    // screen's own visual then serves, for drawing that goes nowhere until the close.
    if (XGetWindowAttributes(display, window, &attributes) == 0 || attributes.visual == nullptr) {
        attributes.visual = DefaultVisual(display, DefaultScreen(display));
        attributes.colormap = DefaultColormap(display, DefaultScreen(display));
    }
    return attributes;
}

}  // namespace

XSurface::XSurface(Display* display, ::Window window, const SystemColorSource& colors)
    : XSurface(display, window, colors, AttributesOf(display, window)) {}

XSurface::XSurface(Display* display, ::Window window, const SystemColorSource& colors,
                   const XWindowAttributes& attributes)
    : Connection(display),
      XWindow(window),
      Colors(colors),
      XVisual(attributes.visual),
      XColormap(attributes.colormap),
      PixelValues(display, attributes.visual, attributes.colormap) {
    std::fill(std::begin(Slots), std::end(Slots), -1);
    Gc = XCreateGC(Connection, XWindow, 0, nullptr);
    Draw = XftDrawCreate(Connection, XWindow, XVisual, XColormap);
    // Made now rather than at the first text, so that its id is known before anything is drawn.
    Picture = XftDrawPicture(Draw);
    XRenderColor white{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    XftColorAllocValue(Connection, XVisual, XColormap, &white, &FontColor);
    SetBrushColor(clBlack);
    OpenFont(kStartPixelSize);
}

XSurface::~XSurface() {
    if (Font != nullptr) XftFontClose(Connection, Font);
    XftColorFree(Connection, XVisual, XColormap, &FontColor);
    XftColorFree(Connection, XVisual, XColormap, &BrushXft);
    if (Draw != nullptr) XftDrawDestroy(Draw);
    if (Gc != nullptr) XFreeGC(Connection, Gc);
}

void XSurface::SetViewSize(std::int32_t width, std::int32_t height) {
    Width = width;
    Height = height;
}

void XSurface::SetPixel(std::int32_t x, std::int32_t y, ColorValue color) {
    if (static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(Width) ||
        static_cast<std::uint32_t>(y) >= static_cast<std::uint32_t>(Height))
        return;
    // System colours are looked up now, at the moment of drawing.
    const unsigned long pixel = PixelValues.For(ColorToRGB(color, Colors));
    const std::uint32_t key = (static_cast<std::uint32_t>(x) << 16) | static_cast<std::uint32_t>(y);
    std::uint32_t slot = (key * 2654435761u) & (kTableSize - 1);
    while (Slots[slot] >= 0) {
        Pending& p = PendingPixels[Slots[slot]];
        if (p.Key == key) {
            p.Pixel = pixel;  // a later draw of the same pixel wins
            return;
        }
        slot = (slot + 1) & (kTableSize - 1);
    }
    if (PendingCount == kMaxPending) {
        SendPixels();
        slot = (key * 2654435761u) & (kTableSize - 1);
    }
    Slots[slot] = PendingCount;
    PendingPixels[PendingCount++] = Pending{key, pixel, static_cast<std::int32_t>(slot)};
}

void XSurface::SendPixels() {
    if (PendingCount == 0) return;
    std::sort(PendingPixels, PendingPixels + PendingCount,
              [](const Pending& a, const Pending& b) { return a.Pixel < b.Pixel; });
    int run = 0;
    for (int i = 0; i < PendingCount; ++i) {
        Points[run].x = static_cast<short>(PendingPixels[i].Key >> 16);
        Points[run].y = static_cast<short>(PendingPixels[i].Key & 0xFFFF);
        ++run;
        if (i + 1 == PendingCount || PendingPixels[i + 1].Pixel != PendingPixels[i].Pixel) {
            if (LastForeground != PendingPixels[i].Pixel) {
                XSetForeground(Connection, Gc, PendingPixels[i].Pixel);
                LastForeground = PendingPixels[i].Pixel;
            }
            XDrawPoints(Connection, XWindow, Gc, Points, run, CoordModeOrigin);
            SentPoints += static_cast<std::uint64_t>(run);
            run = 0;
        }
    }
    // Clear only the slots in use: the table is far larger than a frame's pixels.
    for (int i = 0; i < PendingCount; ++i) Slots[PendingPixels[i].Slot] = -1;
    PendingCount = 0;
}

void XSurface::Flush() {
    SendPixels();
    XFlush(Connection);
}

void XSurface::OpenFont(int pixelSize) {
    char name[160];
    std::snprintf(name, sizeof name, "%s:pixelsize=%d:lang=ja", kFontFamilies, pixelSize);
    XftFont* font = XftFontOpenName(Connection, DefaultScreen(Connection), name);
    if (font == nullptr) return;  // keep the font there was
    if (Font != nullptr) XftFontClose(Connection, Font);
    Font = font;
}

void XSurface::SetFontSize(int points) {
    OpenFont(static_cast<int>(std::lround(points * kDotsPerInch / 72.0)));
    // Glyphs of the new size are loaded for the texts seen so far.
    for (int i = 0; i < TextCount; ++i) {
        XGlyphInfo extents;
        const auto& utf8 = Texts[i].Utf8;
        XftTextExtentsUtf8(Connection, Font, reinterpret_cast<const FcChar8*>(utf8.data()),
                           static_cast<int>(utf8.size()), &extents);
    }
}

void XSurface::SetBrushColor(ColorValue color) {
    const std::uint32_t bgr = ColorToRGB(color, Colors);
    BrushPixel = PixelValues.For(bgr);
    XRenderColor value{static_cast<unsigned short>((bgr & 0xFF) * 0x101),
                       static_cast<unsigned short>(((bgr >> 8) & 0xFF) * 0x101),
                       static_cast<unsigned short>(((bgr >> 16) & 0xFF) * 0x101), 0xFFFF};
    if (BrushXft.pixel != 0 || BrushXft.color.alpha != 0)
        XftColorFree(Connection, XVisual, XColormap, &BrushXft);
    XftColorAllocValue(Connection, XVisual, XColormap, &value, &BrushXft);
}

const std::string& XSurface::Utf8For(std::string_view sjis) {
    for (int i = 0; i < TextCount; ++i)
        if (Texts[i].Sjis == sjis) return Texts[i].Utf8;
    // Not prepared: converted here, which allocates; frames only draw prepared texts.
    Scratch = SjisToUtf8(sjis);
    return Scratch;
}

void XSurface::PrepareText(std::string_view sjis) {
    for (int i = 0; i < TextCount; ++i)
        if (Texts[i].Sjis == sjis) return;
    CachedText& entry = Texts[TextCount < kTextCache ? TextCount++ : kTextCache - 1];
    entry.Sjis.assign(sjis);
    entry.Utf8 = SjisToUtf8(sjis);
    if (Font != nullptr) {
        XGlyphInfo extents;
        XftTextExtentsUtf8(Connection, Font, reinterpret_cast<const FcChar8*>(entry.Utf8.data()),
                           static_cast<int>(entry.Utf8.size()), &extents);
    }
}

void XSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) {
    SendPixels();
    if (Font == nullptr) return;
    const std::string& utf8 = Utf8For(sjis);
    const auto* bytes = reinterpret_cast<const FcChar8*>(utf8.data());
    const int length = static_cast<int>(utf8.size());
    XGlyphInfo extents;
    XftTextExtentsUtf8(Connection, Font, bytes, length, &extents);
    // The opaque box of the brush colour behind the text's cell.
    XftDrawRect(Draw, &BrushXft, x, y, static_cast<unsigned>(std::max<int>(extents.xOff, 0)),
                static_cast<unsigned>(Font->ascent + Font->descent));
    XftDrawStringUtf8(Draw, &FontColor, Font, x, y + Font->ascent, bytes, length);
}

std::int32_t XSurface::TextHeight(std::string_view sjis) {
    (void)sjis;
    return Font != nullptr ? Font->ascent + Font->descent : kStartPixelSize;
}

void XSurface::FillRect(const Rect32& rect) {
    SendPixels();
    if (rect.Right <= rect.Left || rect.Bottom <= rect.Top) return;
    if (LastForeground != BrushPixel) {
        XSetForeground(Connection, Gc, BrushPixel);
        LastForeground = BrushPixel;
    }
    XFillRectangle(Connection, XWindow, Gc, rect.Left, rect.Top,
                   static_cast<unsigned>(rect.Right - rect.Left),
                   static_cast<unsigned>(rect.Bottom - rect.Top));
}
