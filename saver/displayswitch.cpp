#include "saver/displayswitch.h"

#include "saver/legacy9x.h"

DisplayModeRequest DisplaySwitch::Request(std::uint32_t width, std::uint32_t height,
                                          std::uint32_t frequency) const {
    // The depth is never changed: both directions pass the saved one.
    const auto depth = static_cast<std::uint32_t>(SavedMode_.BitsPerPel);
    if (Family_ != PlatformFamily::NT) return Legacy9x::DisplayRequest(width, height, depth);
    return DisplayModeRequest{width, height, depth, frequency};
}

void DisplaySwitch::SwitchTo640x480() {
    // The mode to return to and the platform family, as they stand just before the switch. A
    // second switch keeps the first saved mode, so a restore never returns to 640x480.
    if (!DisplayChanged_) {
        DisplayMode current;
        // Without the mode in force there is nothing to return to: better not to switch at all.
        if (!modes_.CurrentMode(current)) return;
        SavedMode_.Width = static_cast<std::int32_t>(current.Width);
        SavedMode_.Height = static_cast<std::int32_t>(current.Height);
        SavedMode_.BitsPerPel = static_cast<std::int32_t>(current.BitsPerPixel);
        SavedMode_.Frequency = static_cast<std::int32_t>(current.Frequency);
        PlatformFamily family = PlatformFamily::Unknown;
        Family_ = saverHooks_.GetPlatformFamily(family) ? family : PlatformFamily::Unknown;
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
