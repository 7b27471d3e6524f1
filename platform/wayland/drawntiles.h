// DrawnTiles: which parts of a view were ever drawn on since its buffers were made. Elsewhere
// every buffer is still the black it was made with, so copies and clears need visit only what
// this record names. It counts in tiles of one row by 1024 pixels, a page of memory.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/surface.h"

class DrawnTiles {
  public:
    // A view of `width` by `height` with nothing drawn on. Allocates: never during frames.
    void Reset(std::int32_t width, std::int32_t height);
    // `rect`, which lies within the view, was drawn on.
    void Mark(const Rect32& rect);
    // The pixel at (x, y), within the view, was drawn on.
    void MarkPixel(std::int32_t x, std::int32_t y) {
        Flags[static_cast<std::size_t>(y) * static_cast<std::size_t>(Columns) +
              static_cast<std::size_t>(x >> kTileShift)] = 1;
    }
    // Whether anything was drawn on at all.
    bool Any() const;
    // Calls `f(const Rect32&)` for each run of drawn tiles along a row, in row order, clipped to
    // `width` by `height` (where view and buffers overlap); runs clipped away are left out.
    template <typename F>
    void ForEachRun(std::int32_t width, std::int32_t height, F&& f) const;

  private:
    static constexpr int kTileShift = 10;
    std::vector<std::uint8_t> Flags;  // one a tile, row by row
    std::int32_t Columns = 0, Rows = 0;
};

template <typename F>
void DrawnTiles::ForEachRun(std::int32_t width, std::int32_t height, F&& f) const {
    const std::int32_t tile = 1 << kTileShift;
    for (std::int32_t row = 0; row < Rows; ++row) {
        const std::uint8_t* flags = Flags.data() + static_cast<std::ptrdiff_t>(row) * Columns;
        for (std::int32_t column = 0; column < Columns;) {
            if (flags[column] == 0) {
                ++column;
                continue;
            }
            const std::int32_t first = column;
            while (column < Columns && flags[column] != 0) ++column;
            const Rect32 run{first * tile, row, std::min(column * tile, width),
                             std::min(row + 1, height)};
            if (run.Left < run.Right && run.Top < run.Bottom) f(run);
        }
    }
}
