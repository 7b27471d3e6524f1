// The display-settings service: read the mode in force and change it.
#pragma once

#include <cstdint>
#include <optional>

struct DisplayMode {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t BitsPerPixel = 0;
    std::uint32_t Frequency = 0;  // refresh rate in Hz
};

// A mode to change to. Size and depth are always asked for; the refresh rate only when given,
// and a rate of 0 asks for the platform's default.
struct DisplayModeRequest {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t BitsPerPixel = 0;
    std::optional<std::uint32_t> Frequency;
};

class DisplayModes {
  public:
    virtual ~DisplayModes() = default;
    // The mode in force; false when unknown.
    virtual bool CurrentMode(DisplayMode& mode) = 0;
    // A dynamic change, not stored in the platform's settings. 0 = done.
    virtual long ChangeDisplaySettings(const DisplayModeRequest& mode) = 0;
};
