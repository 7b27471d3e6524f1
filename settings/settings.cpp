#include "settings/settings.h"

#include "settings/regini.h"

namespace {

constexpr TSettings kDefaults{};

// The integer reading rule with the default on a bad text.
std::int32_t IntOr(std::string_view text, std::int32_t def) {
    auto value = StoredTextToInt(text);
    return value ? *value : def;
}

}  // namespace

bool ApplySettingText(TSettings& s, std::string_view name, std::string_view text) {
    struct IntField {
        std::string_view Name;
        std::int32_t TSettings::*Field;
    };
    struct FlagField {
        std::string_view Name;
        bool TSettings::*Field;
    };
    struct ColorField {
        std::string_view Name;
        TColor TSettings::*Field;
    };
    static constexpr IntField ints[] = {
        {"Speed", &TSettings::Speed}, {"DispMode", &TSettings::DispMode}, {"UpDown", &TSettings::UpDown}};
    static constexpr FlagField flags[] = {{"StarScroll", &TSettings::StarScroll},
                                          {"Comet", &TSettings::Comet},
                                          {"Trans", &TSettings::Trans}};
    static constexpr ColorField colors[] = {
        {"road_Color", &TSettings::road_Color},   {"porl_Color", &TSettings::porl_Color},
        {"star1_Color", &TSettings::star1_Color}, {"star2_Color", &TSettings::star2_Color},
        {"star3_Color", &TSettings::star3_Color}, {"town1_Color", &TSettings::town1_Color},
        {"town2_Color", &TSettings::town2_Color}, {"town3_Color", &TSettings::town3_Color}};
    for (const auto& f : ints)
        if (f.Name == name) return s.*f.Field = IntOr(text, kDefaults.*f.Field), true;
    for (const auto& f : flags)
        if (f.Name == name) return s.*f.Field = IntOr(text, kDefaults.*f.Field ? 1 : 0) != 0, true;
    for (const auto& f : colors)
        if (f.Name == name) return s.*f.Field = ColorFromText(text), true;
    return false;
}

void ReadSettings(TRegIniFile& reg, TSettings& out) {
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
