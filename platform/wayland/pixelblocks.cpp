#include "platform/wayland/pixelblocks.h"

#include <algorithm>
#include <cstring>

namespace {

// Where each of `count` dots starts along `length` pixels from `origin`, and the end.
void Spread(std::vector<std::int32_t>& starts, std::int32_t count, std::int32_t origin,
            std::int32_t length) {
    starts.resize(static_cast<std::size_t>(count) + 1);
    for (std::int32_t i = 0; i <= count; ++i)
        starts[static_cast<std::size_t>(i)] =
            origin + static_cast<std::int32_t>(static_cast<std::int64_t>(i) * length / count);
}

// The dot whose block holds pixel `p`: the last start at or before it, kept within the dots.
std::int32_t DotAt(const std::vector<std::int32_t>& starts, std::int32_t p) {
    const auto after = std::upper_bound(starts.begin(), starts.end() - 1, p);
    const auto dot = static_cast<std::int32_t>(after - starts.begin()) - 1;
    return std::clamp(dot, 0, static_cast<std::int32_t>(starts.size()) - 2);
}

}  // namespace

void PixelBlocks::Reset(Size32 scene, Size32 buffer) {
    Columns.clear();
    Rows.clear();
    PictureRect = {};
    if (scene.Width <= 0 || scene.Height <= 0 || buffer.Width <= 0 || buffer.Height <= 0) return;
    // The largest rectangle of the scene's aspect that fits: a wide output keeps its height.
    std::int32_t width = buffer.Width, height = buffer.Height;
    if (static_cast<std::int64_t>(buffer.Width) * scene.Height >
        static_cast<std::int64_t>(buffer.Height) * scene.Width)
        width = static_cast<std::int32_t>(static_cast<std::int64_t>(buffer.Height) * scene.Width /
                                          scene.Height);
    else
        height = static_cast<std::int32_t>(static_cast<std::int64_t>(buffer.Width) * scene.Height /
                                           scene.Width);
    const std::int32_t left = (buffer.Width - width) / 2, top = (buffer.Height - height) / 2;
    PictureRect = {left, top, left + width, top + height};
    Spread(Columns, scene.Width, left, width);
    Spread(Rows, scene.Height, top, height);
}

Rect32 PixelBlocks::Clip(const Rect32& r) const {
    const auto w = static_cast<std::int32_t>(Columns.size()) - 1;
    const auto h = static_cast<std::int32_t>(Rows.size()) - 1;
    return {std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, w), std::min(r.Bottom, h)};
}

Rect32 PixelBlocks::ToBuffer(const Rect32& rect) const {
    const Rect32 r = Clip(rect);
    if (r.Left >= r.Right || r.Top >= r.Bottom) return {};
    return {Columns[static_cast<std::size_t>(r.Left)], Rows[static_cast<std::size_t>(r.Top)],
            Columns[static_cast<std::size_t>(r.Right)], Rows[static_cast<std::size_t>(r.Bottom)]};
}

void PixelBlocks::ToScene(std::int32_t x, std::int32_t y, std::int32_t& sceneX,
                          std::int32_t& sceneY) const {
    if (Columns.size() < 2 || Rows.size() < 2) {
        sceneX = x;
        sceneY = y;
        return;
    }
    sceneX = DotAt(Columns, x);
    sceneY = DotAt(Rows, y);
}

void PixelBlocks::Enlarge(const std::uint32_t* scene, std::int32_t sceneStride,
                          std::uint32_t* buffer, std::int32_t bufferStride,
                          const Rect32& rect) const {
    const Rect32 r = Clip(rect);
    if (r.Left >= r.Right) return;
    const std::int32_t left = Columns[static_cast<std::size_t>(r.Left)];
    const auto span = static_cast<std::size_t>(Columns[static_cast<std::size_t>(r.Right)] - left) *
                      sizeof(std::uint32_t);
    for (std::int32_t y = r.Top; y < r.Bottom; ++y) {
        const std::int32_t top = Rows[static_cast<std::size_t>(y)];
        const std::int32_t bottom = Rows[static_cast<std::size_t>(y) + 1];
        if (top == bottom) continue;  // a scene larger than the buffer drops rows
        std::uint32_t* first = buffer + static_cast<std::ptrdiff_t>(top) * bufferStride;
        const std::uint32_t* dots = scene + static_cast<std::ptrdiff_t>(y) * sceneStride;
        for (std::int32_t x = r.Left; x < r.Right; ++x)
            std::fill(first + Columns[static_cast<std::size_t>(x)],
                      first + Columns[static_cast<std::size_t>(x) + 1], dots[x]);
        // The block's other rows repeat its first.
        for (std::int32_t row = top + 1; row < bottom; ++row)
            std::memcpy(buffer + static_cast<std::ptrdiff_t>(row) * bufferStride + left,
                        first + left, span);
    }
}
