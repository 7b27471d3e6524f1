// Where the saver's windows go on a desktop of several monitors: the drive on the primary one,
// as on a desktop of one, and a black cover over every other, so that no other monitor shows the
// desktop and input on any of them ends the saver.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/monitors.h"

struct MonitorLayout {
    std::size_t DriveMonitor = 0;  // index of the monitor that shows the drive; 0 with none known
    Rect32 Drive;                  // the saver window
    std::vector<Rect32> Covers;    // one black window each
};

// The drive is `width` x `height` at the primary monitor's top-left corner. The primary monitor
// is the one marked so, else the one holding the desktop origin, else the first; with no monitor
// known, the drive is at the origin. Every other monitor gets a cover, except one that shows
// only part of the primary's area (a mirror) or repeats another's; empty ones are left out.
MonitorLayout LayOutMonitors(std::span<const Monitor> monitors, std::int32_t width,
                             std::int32_t height);
