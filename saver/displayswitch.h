// DisplaySwitch: the switch of the whole display to 640x480 while the saver runs, and back.
#pragma once

#include <cstdint>

#include "platform/displaymodes.h"
#include "platform/systemsaverhooks.h"

struct SavedDisplayMode {
    std::int32_t Width = 0, Height = 0, BitsPerPel = 0, Frequency = 0;
};

class DisplaySwitch {
  public:
    DisplaySwitch(DisplayModes& modes, SystemSaverHooks& saverHooks)
        : modes_(modes), saverHooks_(saverHooks) {}

    // Remembers the mode in force and asks for 640x480 at the same depth. Silent on failure.
    void SwitchTo640x480();
    // Sends the remembered mode back; nothing before the first switch.
    void RestoreDisplay();

    bool DisplayChanged() const { return DisplayChanged_; }
    const SavedDisplayMode& SavedMode() const { return SavedMode_; }

  private:
    DisplayModeRequest Request(std::uint32_t width, std::uint32_t height,
                               std::uint32_t frequency) const;

    DisplayModes& modes_;
    SystemSaverHooks& saverHooks_;
    SavedDisplayMode SavedMode_;
    bool DisplayChanged_ = false;
    PlatformFamily Family_ = PlatformFamily::Unknown;
};
