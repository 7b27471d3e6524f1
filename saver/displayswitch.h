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
        : Modes(modes), SaverHooks(saverHooks) {}

    // Remembers the mode in force and asks for 640x480 at the same depth. Silent on failure.
    void SwitchTo640x480();
    // Sends the remembered mode back; nothing before the first switch.
    void RestoreDisplay();

    bool DisplayChanged() const { return Changed; }
    const SavedDisplayMode& SavedMode() const { return Saved; }

  private:
    DisplayModeRequest Request(std::uint32_t width, std::uint32_t height,
                               std::uint32_t frequency) const;

    DisplayModes& Modes;
    SystemSaverHooks& SaverHooks;
    SavedDisplayMode Saved;
    bool Changed = false;
    PlatformFamily Family = PlatformFamily::Unknown;
};
