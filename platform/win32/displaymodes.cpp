#include "platform/win32/displaymodes.h"

#include "platform/win32/win.h"

void FillDevMode(const DisplayModeRequest& request, DEVMODEA& dm) {
    dm = DEVMODEA{};
    static_assert(sizeof dm == 156, "DEVMODEA as ChangeDisplaySettingsA takes it");
    dm.dmSize = sizeof dm;
    dm.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    dm.dmBitsPerPel = request.BitsPerPixel;
    dm.dmPelsWidth = request.Width;
    dm.dmPelsHeight = request.Height;
    if (request.Frequency) {
        dm.dmFields |= DM_DISPLAYFREQUENCY;
        dm.dmDisplayFrequency = *request.Frequency;
    }
}

bool Win32DisplayModes::CurrentMode(DisplayMode& mode) {
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &dm)) return false;
    mode.BitsPerPixel = dm.dmBitsPerPel;
    mode.Width = dm.dmPelsWidth;
    mode.Height = dm.dmPelsHeight;
    mode.Frequency = dm.dmDisplayFrequency;
    return true;
}

long Win32DisplayModes::ChangeDisplaySettings(const DisplayModeRequest& mode) {
    DEVMODEA dm;
    FillDevMode(mode, dm);
    return ChangeDisplaySettingsA(&dm, 0);
}
