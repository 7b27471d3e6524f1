// The saver's window left to the window manager, where the compositor gives the keyboard only to
// the windows it manages: under Xwayland (KWin never hands it to an override-redirect window,
// however that window asks for the focus). The window asks to stay above the others without a
// frame, full screen where it fills its monitor, and to be made the active window.
#pragma once

#include <X11/Xlib.h>

// Whether the display is Xwayland's: its RandR outputs are named XWAYLAND0, XWAYLAND1, ...
bool IsXwayland(Display* display);

// Before the window is mapped: the states and hints that place it over the desktop as it is now
// placed, with nothing of the window manager's around it.
void AskAboveWithoutFrame(Display* display, ::Window window, bool fullScreen);

// Once it is mapped: the window manager is asked to make it the active window, which has the
// keyboard.
void AskActivation(Display* display, ::Window window);
