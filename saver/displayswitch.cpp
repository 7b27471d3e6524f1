#include "saver/displayswitch.h"

#include "saver/legacy9x.h"

DisplayModeRequest DisplaySwitch::Request(std::uint32_t width, std::uint32_t height,
                                          std::uint32_t frequency) const {
    // The depth is never changed: both directions pass the saved one.
    const auto depth = static_cast<std::uint32_t>(Saved.BitsPerPel);
    if (Family != PlatformFamily::NT) return Legacy9x::DisplayRequest(width, height, depth);
    return DisplayModeRequest{width, height, depth, frequency};
}

void DisplaySwitch::SwitchTo640x480() {
    // The mode to return to and the platform family, as they stand just before the switch. A
    // second switch keeps the first saved mode, so a restore never returns to 640x480.
    if (!Changed) {
        DisplayMode current;
        // Without the mode in force there is nothing to return to: better not to switch at all.
        if (!Modes.CurrentMode(current)) return;
        Saved.Width = static_cast<std::int32_t>(current.Width);
        Saved.Height = static_cast<std::int32_t>(current.Height);
        Saved.BitsPerPel = static_cast<std::int32_t>(current.BitsPerPixel);
        Saved.Frequency = static_cast<std::int32_t>(current.Frequency);
        PlatformFamily family = PlatformFamily::Unknown;
        Family = SaverHooks.GetPlatformFamily(family) ? family : PlatformFamily::Unknown;
    }
    // NT takes frequency 0 as the platform's default rate.
    Modes.ChangeDisplaySettings(Request(640, 480, 0));
    Changed = true;
}

void DisplaySwitch::RestoreDisplay() {
    if (!Changed) return;
    Modes.ChangeDisplaySettings(Request(static_cast<std::uint32_t>(Saved.Width),
                                        static_cast<std::uint32_t>(Saved.Height),
                                        static_cast<std::uint32_t>(Saved.Frequency)));
}
