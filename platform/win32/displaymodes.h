// Win32DisplayModes: the display mode in force and its dynamic change (ChangeDisplaySettingsA).
#pragma once

#include "platform/displaymodes.h"

class Win32DisplayModes final : public DisplayModes {
public:
    bool CurrentMode(DisplayModeRequest& mode) override;
    long ChangeDisplaySettings(const DisplayModeRequest& mode) override;
};
