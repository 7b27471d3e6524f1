// WaylandDisplayModes: a client cannot change an output's mode on Wayland; a change to another
// size has the compositor stretch the scene over the drive's output instead, and the change back
// shows it one dot to one pixel again.
#pragma once

#include "platform/displaymodes.h"

class WaylandSaverWindow;

class WaylandDisplayModes final : public DisplayModes {
  public:
    explicit WaylandDisplayModes(WaylandSaverWindow& window) : window_(window) {}

    bool CurrentMode(DisplayMode& mode) override;
    long ChangeDisplaySettings(const DisplayModeRequest& mode) override;

  private:
    WaylandSaverWindow& window_;
};
