// A monitor of the desktop as a window system reports it.
#pragma once

#include "platform/surface.h"

struct Monitor {
    Rect32 Bounds;  // in desktop coordinates; right and bottom excluded
    bool Primary = false;
};
