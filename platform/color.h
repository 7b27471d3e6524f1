// ColorValue and the platform's system colours.
#pragma once

#include <cstdint>

// A colour as the settings store keeps it: 0x00BBGGRR when non-negative; with the top bit set, the
// low byte names a system colour that is looked up at the moment of drawing.
using ColorValue = std::int32_t;

inline constexpr ColorValue clBlack = 0x00000000;
inline constexpr ColorValue clWhite = 0x00FFFFFF;
inline constexpr ColorValue clSystemColor = static_cast<ColorValue>(0x80000000u);

// Where system colours come from: GetSysColor on Windows, a fixed table elsewhere.
class SystemColorSource {
  public:
    virtual ~SystemColorSource() = default;
    // The current 0x00BBGGRR value of system colour `index` (0 for an index the platform lacks).
    virtual std::uint32_t SysColor(int index) const = 0;
};

// The 0x00BBGGRR value to draw for `color` right now.
inline std::uint32_t ColorToRGB(ColorValue color, const SystemColorSource& system) {
    if (color < 0)
        return system.SysColor(static_cast<int>(static_cast<std::uint32_t>(color) & 0xFF));
    return static_cast<std::uint32_t>(color) & 0x00FFFFFF;
}
