// The text forms of the settings: the integer rule, the "0x" rule and the colour vocabulary.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/color.h"

// Leading spaces, then a signed decimal number or "$" and up to eight significant hex digits
// (taken as a signed 32-bit pattern). Nothing may follow. Empty when the text is not an integer.
std::optional<std::int32_t> TextToInt(std::string_view text);

// TextToInt after the "0x" rule: a text longer than two characters that starts with "0x" or "0X"
// is read as hexadecimal.
std::optional<std::int32_t> StoredTextToInt(std::string_view text);

struct ColorName {
    std::string_view Name;
    ColorValue Value;
};

// The 42 colour names in the order that decides which name is written.
extern const std::array<ColorName, 42> ColorNames;

inline constexpr ColorValue cl3DLight = static_cast<ColorValue>(0x80000016u);
inline constexpr ColorValue clNone = 0x1FFFFFFF;

// A colour name (any case) or an integer text; raises ConvertError otherwise.
ColorValue ColorFromText(std::string_view text);

// The first name whose value matches, else "$" and eight upper-case hex digits.
std::string ColorToText(ColorValue color);
