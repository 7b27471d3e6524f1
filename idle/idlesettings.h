// velmora-idle's settings: the screen saver's switch and delay, described the way the saver's own
// settings are, in a table of their own.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "settings/settings.h"

// The screen saver's own switch and delay, as Windows keeps them for the whole desktop: read by
// velmora-idle, which starts the saver after that long without input. Not the saver's: the
// dialog, velmora's options and velmora.xml walk SaverSettingTable only.
inline constexpr std::string_view kDesktopSection = "\\Control Panel\\Desktop";

struct IdleSettings {
    constexpr IdleSettings();

    bool ScreenSaveActive{};
    std::int32_t ScreenSaveTimeOut{};  // seconds without input before the saver starts
};

using IdleSetting = SettingDesc<IdleSettings>;

inline constexpr auto IdleSettingTable = std::to_array<IdleSetting>({
    {.Name = "ScreenSaveActive",
     .Kind = SettingKind::Flag,
     .DefaultText = "1",
     .Field = &IdleSettings::ScreenSaveActive,
     .Section = kDesktopSection,
     .Description = "Whether the saver starts at all after the idle time"},
    // Windows' own dialog offers 1 to 9999 minutes.
    {.Name = "ScreenSaveTimeOut",
     .Kind = SettingKind::Integer,
     .DefaultText = "600",
     .Field = &IdleSettings::ScreenSaveTimeOut,
     .Section = kDesktopSection,
     .Min = 1,
     .Max = 599940,
     .Option = "timeout",
     .Description = "Seconds without input before the saver starts"},
});

constexpr IdleSettings::IdleSettings() {
    for (const auto& setting : IdleSettingTable)
        SetFieldValue(*this, setting, DefaultValue(setting));
}

constexpr const IdleSetting* FindIdleSetting(std::string_view name) {
    for (const auto& setting : IdleSettingTable)
        if (setting.Name == name) return &setting;
    return nullptr;
}
