#include "platform/memory/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

std::uint32_t* AllocatePixels(std::size_t count) {
    const std::size_t bytes = std::max<std::size_t>(count, 1) * sizeof(std::uint32_t);
#if defined(__linux__)
    constexpr std::size_t kHugePage = 2u << 20;
    if (bytes >= kHugePage) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        if (void* p = std::aligned_alloc(kHugePage, rounded)) {
            madvise(p, rounded, MADV_HUGEPAGE);
            std::memset(p, 0, bytes);
            return static_cast<std::uint32_t*>(p);
        }
    }
#endif
    auto* p = static_cast<std::uint32_t*>(std::malloc(bytes));
    if (p == nullptr) throw std::bad_alloc();
    std::memset(p, 0, bytes);
    return p;
}

}  // namespace

void MemorySurface::Free::operator()(std::uint32_t* p) const {
    std::free(p);
}

MemorySurface::MemorySurface(std::int32_t width, std::int32_t height,
                             const SystemColorSource& colors, TextEngine* text)
    : ViewWidth(std::max(width, 0)),
      ViewHeight(std::max(height, 0)),
      Colors(colors),
      Text(text),
      Count(static_cast<std::size_t>(ViewWidth) * static_cast<std::size_t>(ViewHeight)),
      OwnPixels(AllocatePixels(Count)),
      Data(OwnPixels.get()),
      RowStride(ViewWidth) {
    if (Text != nullptr) Text->SetCharHeight(CharPixels);
}

MemorySurface::MemorySurface(const SystemColorSource& colors, TextEngine* text, PixelOrder order)
    : ViewWidth(0),
      ViewHeight(0),
      Colors(colors),
      Text(text),
      Count(0),
      Data(nullptr),
      RowStride(0),
      Order(order) {
    if (Text != nullptr) Text->SetCharHeight(CharPixels);
}

void MemorySurface::Target(std::uint32_t* pixels, std::int32_t width, std::int32_t height,
                           std::int32_t stride) {
    if (OwnPixels != nullptr) return;
    const bool none = pixels == nullptr || width <= 0 || height <= 0 || stride < width;
    Data = none ? nullptr : pixels;
    ViewWidth = none ? 0 : width;
    ViewHeight = none ? 0 : height;
    RowStride = none ? 0 : stride;
    Count = none ? 0
                 : static_cast<std::size_t>(ViewHeight - 1) * static_cast<std::size_t>(RowStride) +
                       static_cast<std::size_t>(ViewWidth);
}

void MemorySurface::SetFontSize(int points) {
    PointSize = points;
    // Character height at 96 dots per inch, rounded to nearest.
    CharPixels = (points * 96 + 36) / 72;
    if (Text != nullptr) Text->SetCharHeight(CharPixels);
}

TextExtent MemorySurface::Measure(std::string_view sjis) {
    if (Text != nullptr) return Text->Measure(sjis);
    return TextExtent{static_cast<std::int32_t>(sjis.size()) * (CharPixels / 2), CharPixels};
}

std::int32_t MemorySurface::TextHeight(std::string_view sjis) {
    return Measure(sjis).Height;
}

void MemorySurface::PrepareText(std::string_view sjis) {
    if (Text != nullptr) Text->Prepare(sjis);
}

void MemorySurface::FillRect(const Rect32& rect) {
    const std::int32_t left = std::max(rect.Left, 0), right = std::min(rect.Right, ViewWidth);
    const std::int32_t top = std::max(rect.Top, 0), bottom = std::min(rect.Bottom, ViewHeight);
    // A box wholly right of the view fills nothing (and forms no pointer past the pixels).
    if (right <= left) return;
    const std::uint32_t pixel = ToPixel(Brush);
    for (std::int32_t y = top; y < bottom; ++y)
        std::fill_n(Data + static_cast<std::ptrdiff_t>(y) * RowStride + left, right - left, pixel);
}

void MemorySurface::Plot(void* context, std::int32_t x, std::int32_t y, std::uint8_t coverage) {
    auto& self = *static_cast<MemorySurface*>(context);
    if (static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(self.ViewWidth) ||
        static_cast<std::uint32_t>(y) >= static_cast<std::uint32_t>(self.ViewHeight))
        return;
    // Blend the font colour over the text's opaque background by the glyph's coverage.
    const std::uint32_t fg = self.ToPixel(self.FontColor), bg = self.TextBackground;
    std::uint32_t out = bg & 0xFF000000u;  // the alpha of an opaque canvas pixel
    for (int shift = 0; shift <= 16; shift += 8) {
        const std::uint32_t f = (fg >> shift) & 0xFF, b = (bg >> shift) & 0xFF;
        out |= ((f * coverage + b * (255u - coverage) + 127u) / 255u) << shift;
    }
    self.Data[static_cast<std::size_t>(y) * static_cast<std::size_t>(self.RowStride) +
              static_cast<std::size_t>(x)] = out;
}

void MemorySurface::TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) {
    const TextExtent extent = Measure(sjis);
    FillRect(Rect32{x, y, x + extent.Width, y + extent.Height});
    TextBackground = ToPixel(Brush);
    if (Text != nullptr) {
        Text->Render(sjis, x, y, &MemorySurface::Plot, this);
    } else {
        // Box font: each byte a solid block, a one-pixel gap between blocks.
        const std::int32_t advance = CharPixels / 2;
        for (std::size_t i = 0; i < sjis.size(); ++i)
            for (std::int32_t dy = 0; dy < extent.Height; ++dy)
                for (std::int32_t dx = 0; dx + 1 < advance; ++dx)
                    Plot(this, x + static_cast<std::int32_t>(i) * advance + dx, y + dy, 255);
    }
}
