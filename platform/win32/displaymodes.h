// Win32DisplayModes: the display mode in force and its dynamic change (ChangeDisplaySettingsA).
#pragma once

#include "platform/displaymodes.h"

struct _devicemodeA;

// The DEVMODEA for a request: size, depth and (when given) the rate, their field bits, and every
// other member 0.
void FillDevMode(const DisplayModeRequest& request, _devicemodeA& devMode);

class Win32DisplayModes final : public DisplayModes {
  public:
    bool CurrentMode(DisplayMode& mode) override;
    long ChangeDisplaySettings(const DisplayModeRequest& mode) override;
};
