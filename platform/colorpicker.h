// The platform's colour picker.
#pragma once

#include <array>
#include <cstdint>

#include "platform/color.h"

class ColorPicker {
  public:
    virtual ~ColorPicker() = default;
    // Opens the picker at `color` (a plain 0x00BBGGRR colour) with the sixteen custom colours;
    // returns true and the chosen plain colour on OK, false on cancel. The custom colours come
    // back as the user left them either way.
    virtual bool Pick(ColorValue& color, std::array<std::uint32_t, 16>& customColors) = 0;
};
