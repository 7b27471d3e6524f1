#include "platform/web/surface.h"

#include <algorithm>
#include <cstring>

PageSurface::PageSurface(const SystemColorSource& colors, TextEngine* text)
    : Canvas(colors, text, PixelOrder::Rgba) {}

void PageSurface::Resize(std::int32_t width, std::int32_t height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    Buffer = std::make_unique<std::uint32_t[]>(std::max<std::size_t>(count, 1));
    std::fill_n(Buffer.get(), count, 0xFF000000u);
    Canvas.Target(Buffer.get(), width, height, width);
    const std::int32_t tile = 1 << kTileShift;
    TileColumns = (width + tile - 1) / tile;
    TileRows = (height + tile - 1) / tile;
    const std::size_t tiles =
        static_cast<std::size_t>(TileColumns) * static_cast<std::size_t>(TileRows);
    Tiles = std::make_unique<std::uint8_t[]>(std::max<std::size_t>(tiles, 1));
    // The new view is black on a canvas that may still show the last one.
    std::fill_n(Tiles.get(), tiles, std::uint8_t{1});
    Rects = std::make_unique<std::int32_t[]>(std::max<std::size_t>(tiles, 1) * 4);
    RectCount = 0;
    TextBox = Rect32{};
    // A new view starts with the window font's 16-pixel height (12 points), as a new window
    // would.
    Canvas.SetFontSize(12);
}

int PageSurface::TakeChanges() {
    const std::int32_t tile = 1 << kTileShift;
    RectCount = 0;
    for (std::int32_t row = 0; row < TileRows; ++row) {
        std::uint8_t* marks =
            Tiles.get() + static_cast<std::size_t>(row) * static_cast<std::size_t>(TileColumns);
        std::int32_t column = 0;
        while (column < TileColumns) {
            if (marks[column] == 0) {
                ++column;
                continue;
            }
            const std::int32_t first = column;
            while (column < TileColumns && marks[column] != 0) marks[column++] = 0;
            std::int32_t* r = Rects.get() + RectCount++ * 4;
            r[0] = first * tile;
            r[1] = row * tile;
            r[2] = std::min(column * tile, Width()) - r[0];
            r[3] = std::min((row + 1) * tile, Height()) - r[1];
        }
    }
    return static_cast<int>(RectCount);
}

void PageSurface::MarkTiles(const Rect32& rect) {
    const std::int32_t left = std::max(rect.Left, 0), right = std::min(rect.Right, Width());
    const std::int32_t top = std::max(rect.Top, 0), bottom = std::min(rect.Bottom, Height());
    if (right <= left || bottom <= top) return;
    const std::int32_t first = left >> kTileShift, last = (right - 1) >> kTileShift;
    for (std::int32_t row = top >> kTileShift; row <= (bottom - 1) >> kTileShift; ++row)
        std::memset(Tiles.get() + static_cast<std::ptrdiff_t>(row) * TileColumns + first, 1,
                    static_cast<std::size_t>(last - first + 1));
}

void PageSurface::FillRect(const Rect32& rect) {
    Canvas.FillRect(rect);
    MarkTiles(rect);
}

void PageSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view sjis) {
    const TextExtent extent = Canvas.Measure(sjis);
    const Rect32 box{x, y, x + extent.Width, y + extent.Height};
    Canvas.TextOut(x, y, sjis);
    // Glyphs are drawn inside their text's box, which the text first fills.
    MarkTiles(box);
    if (TextBox.Right <= TextBox.Left) {
        TextBox = box;
    } else {
        TextBox = Rect32{std::min(TextBox.Left, box.Left), std::min(TextBox.Top, box.Top),
                         std::max(TextBox.Right, box.Right), std::max(TextBox.Bottom, box.Bottom)};
    }
}
