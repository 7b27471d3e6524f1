// Where the run-mode saver goes on a desktop of several monitors: the drive on the primary one,
// black covers over the others, so that nothing on them shows while the saver runs.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "platform/surface.h"

struct Monitor {
    Rect32 Bounds;  // in desktop coordinates
    bool Primary = false;
};

struct MonitorLayout {
    std::size_t DriveMonitor = 0;  // index into the monitors given; 0 when there were none
    Rect32 Drive;
    std::vector<Rect32> Covers;
};

// The primary monitor, or the first when none is marked; `screen` when the list is empty. A
// monitor that shows the drive's own area (a mirror) or nothing gets no cover.
MonitorLayout PlaceOnMonitors(std::span<const Monitor> monitors, const Rect32& screen);
