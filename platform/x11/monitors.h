// The monitors of an X screen as XRandR reports them, and the output that shows the drive.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <vector>

#include "saver/monitorlayout.h"

struct XMonitor {
    Monitor Place;
    RROutput Output = 0;  // the first output the monitor shows; 0 when not known
};

// Empty when XRandR is missing; its monitors (1.5) or its outputs that show something (1.2).
std::vector<XMonitor> QueryMonitors(Display* display);

// The default screen's monitors placed for the saver.
MonitorLayout PlaceSaver(Display* display, const std::vector<XMonitor>& monitors);

// The output of the monitor that shows the drive; 0 when there is none.
RROutput DriveOutput(Display* display);
