#include "saver/monitorlayout.h"

#include <algorithm>

namespace {

bool Empty(const Rect32& r) {
    return r.Right <= r.Left || r.Bottom <= r.Top;
}

bool Inside(const Rect32& inner, const Rect32& outer) {
    return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
           inner.Bottom <= outer.Bottom;
}

bool Same(const Rect32& a, const Rect32& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

const Monitor* PrimaryOf(std::span<const Monitor> monitors) {
    for (const auto& m : monitors)
        if (m.Primary) return &m;
    for (const auto& m : monitors)
        if (m.Bounds.Left <= 0 && m.Bounds.Top <= 0 && m.Bounds.Right > 0 && m.Bounds.Bottom > 0)
            return &m;
    return monitors.empty() ? nullptr : &monitors.front();
}

}  // namespace

MonitorLayout LayOutMonitors(std::span<const Monitor> monitors, std::int32_t width,
                             std::int32_t height) {
    MonitorLayout layout;
    const Monitor* primary = PrimaryOf(monitors);
    const std::int32_t left = primary != nullptr ? primary->Bounds.Left : 0;
    const std::int32_t top = primary != nullptr ? primary->Bounds.Top : 0;
    layout.Drive = Rect32{left, top, left + width, top + height};
    if (primary != nullptr)
        layout.DriveMonitor = static_cast<std::size_t>(primary - monitors.data());
    for (const auto& m : monitors) {
        if (&m == primary || Empty(m.Bounds) || Inside(m.Bounds, primary->Bounds)) continue;
        const bool repeated =
            std::any_of(layout.Covers.begin(), layout.Covers.end(),
                        [&m](const Rect32& cover) { return Same(cover, m.Bounds); });
        if (!repeated) layout.Covers.push_back(m.Bounds);
    }
    return layout;
}
