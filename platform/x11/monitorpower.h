// MonitorPower: whether the X server's power saving (DPMS) has turned the monitors off.
#pragma once

#include <X11/Xlib.h>

// True when the server has DPMS, it is enabled and the monitors are in standby, suspend or off.
// A server without the extension never turns them off.
bool MonitorsOff(Display* display);
