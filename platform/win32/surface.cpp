#include "platform/win32/surface.h"

#include "platform/win32/win.h"

#include "platform/win32/font.h"
#include "platform/win32/sjis.h"

namespace {

// Banner lines are short; a frame converts them into this much stack and no more.
constexpr std::size_t kMaxTextChars = 256;

}  // namespace

GdiSurface::GdiSurface(HWND__* window, const SystemColorSource& colors)
    : Hwnd(window), Dc(GetDC(window)), SystemColors(colors) {
    Setup();
}

GdiSurface::GdiSurface(HDC__* dc, const SystemColorSource& colors)
    : Hwnd(nullptr), Dc(dc), SystemColors(colors) {
    Setup();
}

void GdiSurface::Setup() {
    UseFont(16);
    SetTextColor(Dc, RGB(255, 255, 255));
    SetBkMode(Dc, OPAQUE);
    SetTextAlign(Dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    SetBrushColor(0);
}

GdiSurface::~GdiSurface() {
    SelectObject(Dc, GetStockObject(SYSTEM_FONT));
    SelectObject(Dc, GetStockObject(BLACK_BRUSH));
    if (FontHandle != nullptr) DeleteObject(FontHandle);
    if (BrushHandle != nullptr) DeleteObject(BrushHandle);
    if (Hwnd != nullptr) ReleaseDC(Hwnd, Dc);
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
    SelectObject(Dc, font);
    if (FontHandle != nullptr) DeleteObject(FontHandle);
    FontHandle = font;
    CharPixels = charHeight;
}

void GdiSurface::SetPixel(std::int32_t x, std::int32_t y, ColorValue color) {
    // SetPixel answers with the colour set, so GDI cannot hold it back in its per-thread batch:
    // each dot reaches the window at once even though frames never flush.
    ::SetPixel(Dc, x, y, static_cast<COLORREF>(ColorToRGB(color, SystemColors)));
}

void GdiSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) {
    wchar_t wide[kMaxTextChars];
    const std::size_t n = SjisToWide(sjis, wide, kMaxTextChars);
    SetBkColor(Dc, static_cast<COLORREF>(ColorToRGB(BrushColor, SystemColors)));
    TextOutW(Dc, x, y, wide, static_cast<int>(n));
    GdiFlush();
}

std::int32_t GdiSurface::TextHeight(std::string_view sjis) {
    wchar_t wide[kMaxTextChars];
    const std::size_t n = SjisToWide(sjis, wide, kMaxTextChars);
    SIZE size{};
    GetTextExtentPoint32W(Dc, wide, static_cast<int>(n), &size);
    return size.cy;
}

void GdiSurface::FillRect(const Rect32& rect) {
    RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    ::FillRect(Dc, &r, BrushHandle);
    GdiFlush();
}

void GdiSurface::SetBrushColor(ColorValue color) {
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(color, SystemColors)));
    if (brush == nullptr) return;
    SelectObject(Dc, brush);
    if (BrushHandle != nullptr) DeleteObject(BrushHandle);
    BrushHandle = brush;
    BrushColor = color;
}

void GdiSurface::SetFontSize(int points) {
    // Character height = points x dots per inch / 72, rounded (MulDiv rounds to nearest).
    UseFont(MulDiv(points, GetDeviceCaps(Dc, LOGPIXELSY), 72));
}
