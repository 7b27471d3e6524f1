#include "settings/settings.h"

#include "settings/settingsstore.h"

namespace {

constexpr SaverSettings kDefaults{};

// The integer reading rule with the default on a bad text.
std::int32_t IntOr(std::string_view text, std::int32_t def) {
    auto value = StoredTextToInt(text);
    return value ? *value : def;
}

}  // namespace

bool ApplySettingText(SaverSettings& s, std::string_view name, std::string_view text) {
    struct IntField {
        std::string_view Name;
        std::int32_t SaverSettings::*Field;
    };
    struct FlagField {
        std::string_view Name;
        bool SaverSettings::*Field;
    };
    struct ColorField {
        std::string_view Name;
        ColorValue SaverSettings::*Field;
    };
    static constexpr IntField ints[] = {
        {"Speed", &SaverSettings::Speed}, {"DispMode", &SaverSettings::DispMode}, {"UpDown", &SaverSettings::UpDown}};
    static constexpr FlagField flags[] = {{"StarScroll", &SaverSettings::StarScroll},
                                          {"Comet", &SaverSettings::Comet},
                                          {"Trans", &SaverSettings::Trans}};
    static constexpr ColorField colors[] = {
        {"road_Color", &SaverSettings::road_Color},   {"porl_Color", &SaverSettings::porl_Color},
        {"star1_Color", &SaverSettings::star1_Color}, {"star2_Color", &SaverSettings::star2_Color},
        {"star3_Color", &SaverSettings::star3_Color}, {"town1_Color", &SaverSettings::town1_Color},
        {"town2_Color", &SaverSettings::town2_Color}, {"town3_Color", &SaverSettings::town3_Color}};
    for (const auto& f : ints)
        if (f.Name == name) return s.*f.Field = IntOr(text, kDefaults.*f.Field), true;
    for (const auto& f : flags)
        if (f.Name == name) return s.*f.Field = IntOr(text, kDefaults.*f.Field ? 1 : 0) != 0, true;
    for (const auto& f : colors)
        if (f.Name == name) return s.*f.Field = ColorFromText(text), true;
    return false;
}

void ReadSettings(SettingsStore& reg, SaverSettings& out) {
    const auto section = kSettingsSection;
    out.Speed = reg.ReadValueInt(section, "Speed", kDefaults.Speed);
    out.DispMode = reg.ReadValueInt(section, "DispMode", kDefaults.DispMode);
    out.StarScroll = reg.ReadValueBool(section, "StarScroll", kDefaults.StarScroll);
    out.Comet = reg.ReadValueBool(section, "Comet", kDefaults.Comet);
    out.UpDown = reg.ReadValueInt(section, "UpDown", kDefaults.UpDown);
    out.Trans = reg.ReadValueBool(section, "Trans", kDefaults.Trans);
    // The stored defaults are texts, spelled as the first release stored them.
    out.road_Color = ColorFromText(reg.ReadValueText(section, "road_Color", "cl3DLight"));
    out.porl_Color = ColorFromText(reg.ReadValueText(section, "porl_Color", "clyellow"));
    out.star1_Color = ColorFromText(reg.ReadValueText(section, "star1_Color", "claqua"));
    out.star2_Color = ColorFromText(reg.ReadValueText(section, "star2_Color", "clgray"));
    out.star3_Color = ColorFromText(reg.ReadValueText(section, "star3_Color", "clyellow"));
    out.town1_Color = ColorFromText(reg.ReadValueText(section, "town1_Color", "clyellow"));
    out.town2_Color = ColorFromText(reg.ReadValueText(section, "town2_Color", "clTeal"));
    out.town3_Color = ColorFromText(reg.ReadValueText(section, "town3_Color", "clred"));
}
