// The fourteen user settings, their defaults and the ways they are read.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/color.h"
#include "settings/convert.h"

class SettingsStore;

inline constexpr std::string_view kSettingsSection = "Velmora";
inline constexpr std::string_view kSettingsBaseKey = "Software";

inline constexpr ColorValue clYellow = 0x0000FFFF;
inline constexpr ColorValue clAqua = 0x00FFFF00;
inline constexpr ColorValue clGray = 0x00808080;
inline constexpr ColorValue clTeal = 0x00808000;
inline constexpr ColorValue clRed = 0x000000FF;

struct SaverSettings {
    std::int32_t Speed = 30;
    std::int32_t DispMode = 0;
    bool StarScroll = false;
    bool Comet = false;
    std::int32_t UpDown = 1;
    bool Trans = false;
    ColorValue road_Color = cl3DLight;
    ColorValue porl_Color = clYellow;
    ColorValue star1_Color = clAqua;
    ColorValue star2_Color = clGray;
    ColorValue star3_Color = clYellow;
    ColorValue town1_Color = clYellow;
    ColorValue town2_Color = clTeal;
    ColorValue town3_Color = clRed;
};

// Reads the fourteen values in the saver window's order (Speed, DispMode, StarScroll, Comet,
// UpDown, Trans, then the eight colours) into `out`. An error ends the reading where it happens:
// the values read before it are already in `out`, the rest keep what they had.
void ReadSettings(SettingsStore& store, SaverSettings& out);

// Applies one stored text to the setting called `name`, by the store's reading rules (integers
// and flags fall back to the default on bad text; colours raise ConvertError). Returns false
// when there is no setting of that name.
bool ApplySettingText(SaverSettings& settings, std::string_view name, std::string_view text);
