// RunX11Desktop: the Linux saver through X11 (DISPLAY): the hack options' windows, the one-instance
// scope of the display and of the window XScreenSaver names, and the X11 application.
#pragma once

struct DesktopRun;

int RunX11Desktop(const DesktopRun& run);
