// XRandRDisplayModes: the display-settings service over XRandR, for the monitor that shows the
// drive (the primary one); the other monitors keep their modes.
#pragma once

#include <X11/Xlib.h>

#include "platform/displaymodes.h"

// A mode is a monitor's size with a refresh rate; X keeps the colour depth fixed, so the depth
// asked for must be the one in force.
class XRandRDisplayModes final : public DisplayModes {
  public:
    // `guarded`: the first change away from the mode in force starts the display guard, which
    // restores that mode should this process end without doing it.
    explicit XRandRDisplayModes(Display* display, bool guarded = true)
        : Connection(display), Guarded(guarded) {}

    bool CurrentMode(DisplayMode& mode) override;
    long ChangeDisplaySettings(const DisplayModeRequest& mode) override;

    static constexpr long kChangeFailed = -1;  // DISP_CHANGE_FAILED
    static constexpr long kBadMode = -2;       // DISP_CHANGE_BADMODE

  private:
    Display* Connection;
    bool Guarded;
};
