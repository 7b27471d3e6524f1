// The display-settings service: read the mode in force and change it.
#pragma once

#include <cstdint>

// DEVMODE field bits.
inline constexpr std::uint32_t DM_BITSPERPEL_ = 0x00040000;
inline constexpr std::uint32_t DM_PELSWIDTH_ = 0x00080000;
inline constexpr std::uint32_t DM_PELSHEIGHT_ = 0x00100000;
inline constexpr std::uint32_t DM_DISPLAYFREQUENCY_ = 0x00400000;

// The members of DEVMODE that a mode change sets; the rest are 0.
struct DisplayModeRequest {
    std::uint32_t Fields = 0;
    std::uint32_t BitsPerPel = 0;
    std::uint32_t PelsWidth = 0;
    std::uint32_t PelsHeight = 0;
    std::uint32_t DisplayFrequency = 0;
};

class DisplayModes {
  public:
    virtual ~DisplayModes() = default;
    // The mode in force (EnumDisplaySettings, current settings); false when unknown.
    virtual bool CurrentMode(DisplayModeRequest& mode) = 0;
    // ChangeDisplaySettings(mode, 0): a dynamic change, not stored. 0 = done.
    virtual long ChangeDisplaySettings(const DisplayModeRequest& mode) = 0;
};
