#include "platform/win32/displaymodes.h"

#include "platform/win32/win.h"

bool Win32DisplayModes::CurrentMode(DisplayModeRequest& mode) {
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &dm)) return false;
    mode.Fields = dm.dmFields;
    mode.BitsPerPel = dm.dmBitsPerPel;
    mode.PelsWidth = dm.dmPelsWidth;
    mode.PelsHeight = dm.dmPelsHeight;
    mode.DisplayFrequency = dm.dmDisplayFrequency;
    return true;
}

long Win32DisplayModes::ChangeDisplaySettings(const DisplayModeRequest& mode) {
    // Only the members the request names are set; every other member stays 0.
    DEVMODEA dm{};
    static_assert(sizeof dm == 156, "DEVMODEA as ChangeDisplaySettingsA takes it");
    dm.dmSize = sizeof dm;
    dm.dmFields = mode.Fields;
    dm.dmBitsPerPel = mode.BitsPerPel;
    dm.dmPelsWidth = mode.PelsWidth;
    dm.dmPelsHeight = mode.PelsHeight;
    dm.dmDisplayFrequency = mode.DisplayFrequency;
    return ChangeDisplaySettingsA(&dm, 0);
}
