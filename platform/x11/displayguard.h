// The display guard: a small watcher process that puts the screen mode back if the saver ends
// without doing so itself (killed by SIGKILL, crashed), so the desktop is never left at 640x480.
#pragma once

#include "platform/displaymodes.h"

// Starts the watcher for `original`, the mode to return to; it lives until this process ends,
// however it ends. False when it could not be started.
bool StartDisplayGuard(const DisplayMode& original);

// The watcher's own run, when this executable was started as one (`modeText` is the value of
// kDisplayGuardVariable): waits for the saver to end, then restores the mode if it is not in
// force. Returns the exit code.
int RunDisplayGuard(const char* modeText);

inline constexpr const char* kDisplayGuardVariable = "VELMORA_DISPLAY_GUARD";
