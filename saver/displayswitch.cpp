#include "saver/displayswitch.h"

DisplayModeRequest DisplaySwitch::Request(std::uint32_t width, std::uint32_t height,
                             std::uint32_t frequency) const {
    DisplayModeRequest mode;
    // The depth is never changed: both directions pass the saved one.
    mode.BitsPerPel = static_cast<std::uint32_t>(SavedMode_.BitsPerPel);
    mode.PelsWidth = width;
    mode.PelsHeight = height;
    mode.Fields = DM_BITSPERPEL_ | DM_PELSWIDTH_ | DM_PELSHEIGHT_;
    if (PlatformId_ == kPlatformNT) {
        mode.DisplayFrequency = frequency;
        mode.Fields |= DM_DISPLAYFREQUENCY_;
    }
    return mode;
}

void DisplaySwitch::SwitchTo640x480() {
    // The mode to return to and the platform family, as they stand just before the switch. A
    // second switch keeps the first saved mode, so a restore never returns to 640x480.
    if (!DisplayChanged_) {
        DisplayModeRequest current;
        // Without the mode in force there is nothing to return to: better not to switch at all.
        if (!modes_.CurrentMode(current)) return;
        SavedMode_.Width = static_cast<std::int32_t>(current.PelsWidth);
        SavedMode_.Height = static_cast<std::int32_t>(current.PelsHeight);
        SavedMode_.BitsPerPel = static_cast<std::int32_t>(current.BitsPerPel);
        SavedMode_.Frequency = static_cast<std::int32_t>(current.DisplayFrequency);
        std::int32_t id = 0;
        PlatformId_ = services_.GetPlatformId(id) ? id : 0;
    }
    // NT takes frequency 0 as the platform's default rate.
    modes_.ChangeDisplaySettings(Request(640, 480, 0));
    DisplayChanged_ = true;
}

void DisplaySwitch::RestoreDisplay() {
    if (!DisplayChanged_) return;
    modes_.ChangeDisplaySettings(Request(static_cast<std::uint32_t>(SavedMode_.Width),
                                         static_cast<std::uint32_t>(SavedMode_.Height),
                                         static_cast<std::uint32_t>(SavedMode_.Frequency)));
}
