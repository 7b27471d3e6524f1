// RunWaylandDesktop: the Linux saver drawn on Wayland itself (WAYLAND_DISPLAY): run mode and the
// settings dialog, one instance per Wayland display.
#pragma once

struct DesktopRun;

int RunWaylandDesktop(const DesktopRun& run);
