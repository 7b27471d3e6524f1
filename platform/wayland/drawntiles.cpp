#include "platform/wayland/drawntiles.h"

void DrawnTiles::Reset(std::int32_t width, std::int32_t height) {
    Columns = (std::max(width, 0) + (1 << kTileShift) - 1) >> kTileShift;
    Rows = std::max(height, 0);
    Flags.assign(static_cast<std::size_t>(Columns) * static_cast<std::size_t>(Rows), 0);
}

void DrawnTiles::Mark(const Rect32& r) {
    if (r.Right <= r.Left || r.Bottom <= r.Top) return;
    const std::int32_t right = (r.Right - 1) >> kTileShift;
    for (std::int32_t row = r.Top; row < r.Bottom; ++row)
        for (std::int32_t column = r.Left >> kTileShift; column <= right; ++column)
            Flags[static_cast<std::size_t>(row) * static_cast<std::size_t>(Columns) +
                  static_cast<std::size_t>(column)] = 1;
}

bool DrawnTiles::Any() const {
    return std::find(Flags.begin(), Flags.end(), 1) != Flags.end();
}
