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
    : display_(display),
      window_(window),
      colors_(colors),
      visual_(attributes.visual),
      colormap_(attributes.colormap),
      pixels_(display, attributes.visual, attributes.colormap) {
    std::fill(std::begin(slots_), std::end(slots_), -1);
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    draw_ = XftDrawCreate(display_, window_, visual_, colormap_);
    // Made now rather than at the first text, so that its id is known before anything is drawn.
    picture_ = XftDrawPicture(draw_);
    XRenderColor white{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    XftColorAllocValue(display_, visual_, colormap_, &white, &fontColor_);
    SetBrushColor(clBlack);
    OpenFont(kStartPixelSize);
}

XSurface::~XSurface() {
    if (font_ != nullptr) XftFontClose(display_, font_);
    XftColorFree(display_, visual_, colormap_, &fontColor_);
    XftColorFree(display_, visual_, colormap_, &brushXft_);
    if (draw_ != nullptr) XftDrawDestroy(draw_);
    if (gc_ != nullptr) XFreeGC(display_, gc_);
}

void XSurface::SetViewSize(std::int32_t width, std::int32_t height) {
    width_ = width;
    height_ = height;
}

void XSurface::SetPixel(std::int32_t x, std::int32_t y, ColorValue color) {
    if (static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(width_) ||
        static_cast<std::uint32_t>(y) >= static_cast<std::uint32_t>(height_))
        return;
    // System colours are looked up now, at the moment of drawing.
    const unsigned long pixel = pixels_.For(ColorToRGB(color, colors_));
    const std::uint32_t key = (static_cast<std::uint32_t>(x) << 16) | static_cast<std::uint32_t>(y);
    std::uint32_t slot = (key * 2654435761u) & (kTableSize - 1);
    while (slots_[slot] >= 0) {
        Pending& p = pending_[slots_[slot]];
        if (p.Key == key) {
            p.Pixel = pixel;  // a later draw of the same pixel wins
            return;
        }
        slot = (slot + 1) & (kTableSize - 1);
    }
    if (pendingCount_ == kMaxPending) {
        SendPixels();
        slot = (key * 2654435761u) & (kTableSize - 1);
    }
    slots_[slot] = pendingCount_;
    pending_[pendingCount_++] = Pending{key, pixel, static_cast<std::int32_t>(slot)};
}

void XSurface::SendPixels() {
    if (pendingCount_ == 0) return;
    std::sort(pending_, pending_ + pendingCount_,
              [](const Pending& a, const Pending& b) { return a.Pixel < b.Pixel; });
    int run = 0;
    for (int i = 0; i < pendingCount_; ++i) {
        points_[run].x = static_cast<short>(pending_[i].Key >> 16);
        points_[run].y = static_cast<short>(pending_[i].Key & 0xFFFF);
        ++run;
        if (i + 1 == pendingCount_ || pending_[i + 1].Pixel != pending_[i].Pixel) {
            if (lastForeground_ != pending_[i].Pixel) {
                XSetForeground(display_, gc_, pending_[i].Pixel);
                lastForeground_ = pending_[i].Pixel;
            }
            XDrawPoints(display_, window_, gc_, points_, run, CoordModeOrigin);
            pointsSent_ += static_cast<std::uint64_t>(run);
            run = 0;
        }
    }
    // Clear only the slots in use: the table is far larger than a frame's pixels.
    for (int i = 0; i < pendingCount_; ++i) slots_[pending_[i].Slot] = -1;
    pendingCount_ = 0;
}

void XSurface::Flush() {
    SendPixels();
    XFlush(display_);
}

void XSurface::OpenFont(int pixelSize) {
    char name[160];
    std::snprintf(name, sizeof name, "%s:pixelsize=%d:lang=ja", kFontFamilies, pixelSize);
    XftFont* font = XftFontOpenName(display_, DefaultScreen(display_), name);
    if (font == nullptr) return;  // keep the font there was
    if (font_ != nullptr) XftFontClose(display_, font_);
    font_ = font;
}

void XSurface::SetFontSize(int points) {
    OpenFont(static_cast<int>(std::lround(points * kDotsPerInch / 72.0)));
    // Glyphs of the new size are loaded for the texts seen so far.
    for (int i = 0; i < textCount_; ++i) {
        XGlyphInfo extents;
        const auto& utf8 = texts_[i].Utf8;
        XftTextExtentsUtf8(display_, font_, reinterpret_cast<const FcChar8*>(utf8.data()),
                           static_cast<int>(utf8.size()), &extents);
    }
}

void XSurface::SetBrushColor(ColorValue color) {
    const std::uint32_t bgr = ColorToRGB(color, colors_);
    brushPixel_ = pixels_.For(bgr);
    XRenderColor value{static_cast<unsigned short>((bgr & 0xFF) * 0x101),
                       static_cast<unsigned short>(((bgr >> 8) & 0xFF) * 0x101),
                       static_cast<unsigned short>(((bgr >> 16) & 0xFF) * 0x101), 0xFFFF};
    if (brushXft_.pixel != 0 || brushXft_.color.alpha != 0)
        XftColorFree(display_, visual_, colormap_, &brushXft_);
    XftColorAllocValue(display_, visual_, colormap_, &value, &brushXft_);
}

const std::string& XSurface::Utf8For(std::string_view sjis) {
    for (int i = 0; i < textCount_; ++i)
        if (texts_[i].Sjis == sjis) return texts_[i].Utf8;
    // Not prepared: converted here, which allocates; frames only draw prepared texts.
    scratch_ = SjisToUtf8(sjis);
    return scratch_;
}

void XSurface::PrepareText(std::string_view sjis) {
    for (int i = 0; i < textCount_; ++i)
        if (texts_[i].Sjis == sjis) return;
    CachedText& entry = texts_[textCount_ < kTextCache ? textCount_++ : kTextCache - 1];
    entry.Sjis.assign(sjis);
    entry.Utf8 = SjisToUtf8(sjis);
    if (font_ != nullptr) {
        XGlyphInfo extents;
        XftTextExtentsUtf8(display_, font_, reinterpret_cast<const FcChar8*>(entry.Utf8.data()),
                           static_cast<int>(entry.Utf8.size()), &extents);
    }
}

void XSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) {
    SendPixels();
    if (font_ == nullptr) return;
    const std::string& utf8 = Utf8For(sjis);
    const auto* bytes = reinterpret_cast<const FcChar8*>(utf8.data());
    const int length = static_cast<int>(utf8.size());
    XGlyphInfo extents;
    XftTextExtentsUtf8(display_, font_, bytes, length, &extents);
    // The opaque box of the brush colour behind the text's cell.
    XftDrawRect(draw_, &brushXft_, x, y, static_cast<unsigned>(std::max<int>(extents.xOff, 0)),
                static_cast<unsigned>(font_->ascent + font_->descent));
    XftDrawStringUtf8(draw_, &fontColor_, font_, x, y + font_->ascent, bytes, length);
}

std::int32_t XSurface::TextHeight(std::string_view sjis) {
    (void)sjis;
    return font_ != nullptr ? font_->ascent + font_->descent : kStartPixelSize;
}

void XSurface::FillRect(const Rect32& rect) {
    SendPixels();
    if (rect.Right <= rect.Left || rect.Bottom <= rect.Top) return;
    if (lastForeground_ != brushPixel_) {
        XSetForeground(display_, gc_, brushPixel_);
        lastForeground_ = brushPixel_;
    }
    XFillRectangle(display_, window_, gc_, rect.Left, rect.Top,
                   static_cast<unsigned>(rect.Right - rect.Left),
                   static_cast<unsigned>(rect.Bottom - rect.Top));
}
