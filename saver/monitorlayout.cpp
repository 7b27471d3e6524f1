#include "saver/monitorlayout.h"

namespace {

bool SameRect(const Rect32& a, const Rect32& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

}  // namespace

MonitorLayout PlaceOnMonitors(std::span<const Monitor> monitors, const Rect32& screen) {
    MonitorLayout layout;
    layout.Drive = screen;
    if (monitors.empty()) return layout;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (monitors[i].Primary) {
            layout.DriveMonitor = i;
            break;
        }
    }
    layout.Drive = monitors[layout.DriveMonitor].Bounds;
    for (const Monitor& m : monitors) {
        const Rect32& r = m.Bounds;
        if (r.Right <= r.Left || r.Bottom <= r.Top || SameRect(r, layout.Drive)) continue;
        layout.Covers.push_back(r);
    }
    return layout;
}
