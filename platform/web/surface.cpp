#include "platform/web/surface.h"

#include <algorithm>
#include <cstring>

PageSurface::PageSurface(const SystemColorSource& colors, TextEngine* text)
    : colors_(colors), text_(text) {
    if (text_ != nullptr) text_->SetCharHeight(charHeight_);
}

void PageSurface::Resize(std::int32_t width, std::int32_t height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    pixels_ = std::make_unique<std::uint32_t[]>(std::max<std::size_t>(count, 1));
    std::fill_n(pixels_.get(), count, 0xFF000000u);
    const std::int32_t tile = 1 << kTileShift;
    tileColumns_ = (width_ + tile - 1) / tile;
    tileRows_ = (height_ + tile - 1) / tile;
    const std::size_t tiles =
        static_cast<std::size_t>(tileColumns_) * static_cast<std::size_t>(tileRows_);
    tiles_ = std::make_unique<std::uint8_t[]>(std::max<std::size_t>(tiles, 1));
    // The new view is black on a canvas that may still show the last one.
    std::fill_n(tiles_.get(), tiles, std::uint8_t{1});
    rects_ = std::make_unique<std::int32_t[]>(std::max<std::size_t>(tiles, 1) * 4);
    rectCount_ = 0;
    textBounds_ = Rect32{};
    // A new view starts with the window font's 16-pixel height, as a new window would.
    charHeight_ = 16;
    if (text_ != nullptr) text_->SetCharHeight(charHeight_);
}

int PageSurface::TakeChanges() {
    const std::int32_t tile = 1 << kTileShift;
    rectCount_ = 0;
    for (std::int32_t row = 0; row < tileRows_; ++row) {
        std::uint8_t* marks =
            tiles_.get() + static_cast<std::size_t>(row) * static_cast<std::size_t>(tileColumns_);
        std::int32_t column = 0;
        while (column < tileColumns_) {
            if (marks[column] == 0) {
                ++column;
                continue;
            }
            const std::int32_t first = column;
            while (column < tileColumns_ && marks[column] != 0) marks[column++] = 0;
            std::int32_t* r = rects_.get() + rectCount_++ * 4;
            r[0] = first * tile;
            r[1] = row * tile;
            r[2] = std::min(column * tile, width_) - r[0];
            r[3] = std::min((row + 1) * tile, height_) - r[1];
        }
    }
    return static_cast<int>(rectCount_);
}

void PageSurface::FillRect(const Rect32& rect) {
    const std::int32_t left = std::max(rect.Left, 0), right = std::min(rect.Right, width_);
    const std::int32_t top = std::max(rect.Top, 0), bottom = std::min(rect.Bottom, height_);
    if (right <= left || bottom <= top) return;
    const std::uint32_t pixel = ToPixel(brush_);
    for (std::int32_t y = top; y < bottom; ++y)
        std::fill_n(pixels_.get() + static_cast<std::ptrdiff_t>(y) * width_ + left, right - left,
                    pixel);
    const std::int32_t last = (right - 1) >> kTileShift;
    for (std::int32_t row = top >> kTileShift; row <= (bottom - 1) >> kTileShift; ++row)
        std::memset(
            tiles_.get() + static_cast<std::ptrdiff_t>(row) * tileColumns_ + (left >> kTileShift),
            1, static_cast<std::size_t>(last - (left >> kTileShift) + 1));
}

void PageSurface::SetFontSize(int points) {
    // Character height at 96 dots per inch, rounded to nearest, as the saver's other surfaces.
    charHeight_ = (points * 96 + 36) / 72;
    if (text_ != nullptr) text_->SetCharHeight(charHeight_);
}

void PageSurface::PrepareText(std::string_view sjis) {
    if (text_ != nullptr) text_->Prepare(sjis);
}

TextExtent PageSurface::Measure(std::string_view sjis) {
    if (text_ != nullptr) return text_->Measure(sjis);
    return TextExtent{static_cast<std::int32_t>(sjis.size()) * (charHeight_ / 2), charHeight_};
}

std::int32_t PageSurface::TextHeight(std::string_view sjis) {
    return Measure(sjis).Height;
}

void PageSurface::Plot(void* context, std::int32_t x, std::int32_t y, std::uint8_t coverage) {
    auto& self = *static_cast<PageSurface*>(context);
    if (static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(self.width_) ||
        static_cast<std::uint32_t>(y) >= static_cast<std::uint32_t>(self.height_))
        return;
    // White text blended over its opaque box by the glyph's coverage.
    const std::uint32_t bg = self.textBackground_;
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const std::uint32_t b = (bg >> shift) & 0xFF;
        out |= ((255u * coverage + b * (255u - coverage) + 127u) / 255u) << shift;
    }
    self.pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(self.width_) +
                 static_cast<std::size_t>(x)] = out;
    self.MarkTile(x, y);
}

void PageSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) {
    const TextExtent extent = Measure(sjis);
    const Rect32 box{x, y, x + extent.Width, y + extent.Height};
    FillRect(box);
    if (textBounds_.Right <= textBounds_.Left) {
        textBounds_ = box;
    } else {
        textBounds_ = Rect32{
            std::min(textBounds_.Left, box.Left), std::min(textBounds_.Top, box.Top),
            std::max(textBounds_.Right, box.Right), std::max(textBounds_.Bottom, box.Bottom)};
    }
    textBackground_ = ToPixel(brush_);
    if (text_ != nullptr) {
        text_->Render(sjis, x, y, &PageSurface::Plot, this);
    } else {
        const std::int32_t advance = charHeight_ / 2;
        for (std::size_t i = 0; i < sjis.size(); ++i)
            for (std::int32_t dy = 0; dy < extent.Height; ++dy)
                for (std::int32_t dx = 0; dx + 1 < advance; ++dx)
                    Plot(this, x + static_cast<std::int32_t>(i) * advance + dx, y + dy, 255);
    }
}
