// DefaultSystemColors: the system colours where the platform has none of its own.
#pragma once

#include "platform/color.h"

// A fixed table of the default system colours of current Windows releases (classic theme
// indices 0..24; for example the 3-D light colour is red 227, green 227, blue 227), so that a
// stored system colour draws the same on Linux as on a freshly installed Windows.
class DefaultSystemColors final : public SystemColorSource {
  public:
    std::uint32_t SysColor(int index) const override;
};
