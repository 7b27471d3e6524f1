// WaylandDisplayModes: a client cannot change an output's mode on Wayland; a change to another
// size has the saver enlarge the scene over the drive's output itself, as blocks with hard edges
// the way a monitor shows a small mode, and the change back shows it one dot to one pixel again.
#pragma once

#include "platform/displaymodes.h"

class WaylandSaverWindow;

class WaylandDisplayModes final : public DisplayModes {
  public:
    explicit WaylandDisplayModes(WaylandSaverWindow& window) : Window(window) {}

    bool CurrentMode(DisplayMode& mode) override;
    long ChangeDisplaySettings(const DisplayModeRequest& mode) override;

  private:
    WaylandSaverWindow& Window;
};
