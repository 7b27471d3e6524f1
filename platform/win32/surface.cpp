#include "platform/win32/surface.h"

#include "platform/win32/win.h"

#include "platform/win32/font.h"
#include "platform/win32/sjis.h"

namespace {

// Banner lines are short; a frame converts them into this much stack and no more.
constexpr std::size_t kMaxTextChars = 256;

}  // namespace

GdiSurface::GdiSurface(HWND__* window, const SystemColorSource& colors)
    : window_(window), dc_(GetDC(window)), colors_(colors) {
    Setup();
}

GdiSurface::GdiSurface(HDC__* dc, const SystemColorSource& colors)
    : window_(nullptr), dc_(dc), colors_(colors) {
    Setup();
}

void GdiSurface::Setup() {
    UseFont(16);
    SetTextColor(dc_, RGB(255, 255, 255));
    SetBkMode(dc_, OPAQUE);
    SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    SetBrushColor(0);
}

GdiSurface::~GdiSurface() {
    SelectObject(dc_, GetStockObject(SYSTEM_FONT));
    SelectObject(dc_, GetStockObject(BLACK_BRUSH));
    if (font_ != nullptr) DeleteObject(font_);
    if (brush_ != nullptr) DeleteObject(brush_);
    if (window_ != nullptr) ReleaseDC(window_, dc_);
}

void GdiSurface::UseFont(int charHeight) {
    LOGFONTW lf{};
    lf.lfHeight = -charHeight;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    wcsncpy_s(lf.lfFaceName, LF_FACESIZE, JapaneseUiFace(), _TRUNCATE);
    HFONT font = CreateFontIndirectW(&lf);
    if (font == nullptr) return;  // keep the old font: drawing goes on
    SelectObject(dc_, font);
    if (font_ != nullptr) DeleteObject(font_);
    font_ = font;
    charHeight_ = charHeight;
}

void GdiSurface::SetPixel(std::int32_t x, std::int32_t y, ColorValue color) {
    // SetPixel answers with the colour set, so GDI cannot hold it back in its per-thread batch:
    // each dot reaches the window at once even though frames never flush.
    ::SetPixel(dc_, x, y, static_cast<COLORREF>(ColorToRGB(color, colors_)));
}

void GdiSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) {
    wchar_t wide[kMaxTextChars];
    const std::size_t n = SjisToWide(sjis, wide, kMaxTextChars);
    SetBkColor(dc_, static_cast<COLORREF>(ColorToRGB(brushColor_, colors_)));
    TextOutW(dc_, x, y, wide, static_cast<int>(n));
    GdiFlush();
}

std::int32_t GdiSurface::TextHeight(std::string_view sjis) {
    wchar_t wide[kMaxTextChars];
    const std::size_t n = SjisToWide(sjis, wide, kMaxTextChars);
    SIZE size{};
    GetTextExtentPoint32W(dc_, wide, static_cast<int>(n), &size);
    return size.cy;
}

void GdiSurface::FillRect(const Rect32& rect) {
    RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    ::FillRect(dc_, &r, brush_);
    GdiFlush();
}

void GdiSurface::SetBrushColor(ColorValue color) {
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(color, colors_)));
    if (brush == nullptr) return;
    SelectObject(dc_, brush);
    if (brush_ != nullptr) DeleteObject(brush_);
    brush_ = brush;
    brushColor_ = color;
}

void GdiSurface::SetFontSize(int points) {
    // Character height = points x dots per inch / 72, rounded (MulDiv rounds to nearest).
    UseFont(MulDiv(points, GetDeviceCaps(dc_, LOGPIXELSY), 72));
}
