#include "settings/settings.h"

#include "settings/settingsstore.h"

namespace {

// What the table's columns must agree on. The ranks are checked where the orders are made.
constexpr bool TableIsConsistent() {
    const auto& table = SaverSettingTable;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto& s = table[i];
        (void)DefaultValue(s);  // a default its kind cannot read stops the compilation here
        const bool boolField = std::holds_alternative<bool SaverSettings::*>(s.Field);
        if ((s.Kind == SettingKind::Flag) != boolField) return false;
        if (s.Kind == SettingKind::Integer &&
            (s.Min >= s.Max || DefaultValue(s) < s.Min || DefaultValue(s) > s.Max))
            return false;
        if (s.Kind != SettingKind::Integer && (s.Min != 0 || s.Max != 0)) return false;
        if (s.Kind == SettingKind::Colour && !s.Option.empty()) return false;
        if (s.Control == ControlId::NoControl || s.Description.empty()) return false;
        for (std::size_t j = 0; j < i; ++j) {
            const auto& t = table[j];
            if (s.Name == t.Name || s.Field == t.Field || s.Control == t.Control) return false;
            if (!s.Option.empty() && s.Option == t.Option) return false;
        }
    }
    return true;
}

static_assert(TableIsConsistent(),
              "each setting needs its own name, field, control and option, a bool field exactly "
              "when it is a flag, and an integer's range around its default");

}  // namespace

std::int32_t ValueFromText(SettingKind kind, std::string_view text, std::int32_t fallback) {
    switch (kind) {
        case SettingKind::Integer:
            return StoredTextToInt(text).value_or(fallback);
        case SettingKind::Flag:
            return StoredTextToInt(text).value_or(fallback) != 0 ? 1 : 0;
        case SettingKind::Colour:
            return ColorFromText(text);
    }
    return fallback;
}

std::int32_t ReadStoredValue(SettingsStore& store, std::string_view section, std::string_view name,
                             SettingKind kind, std::string_view defaultText) {
    switch (kind) {
        case SettingKind::Integer:
            return store.ReadValueInt(section, name, DefaultValue(kind, defaultText));
        case SettingKind::Flag:
            return store.ReadValueBool(section, name, DefaultValue(kind, defaultText) != 0) ? 1 : 0;
        case SettingKind::Colour:
            // The default goes through the colour rules like a stored text.
            return ColorFromText(store.ReadValueText(section, name, defaultText));
    }
    return 0;
}

void WriteStoredValue(SettingsStore& store, std::string_view section, std::string_view name,
                      SettingKind kind, std::int32_t value) {
    switch (kind) {
        case SettingKind::Integer:
            store.WriteValueInt(section, name, value);
            break;
        case SettingKind::Flag:
            store.WriteValueBool(section, name, value != 0);
            break;
        case SettingKind::Colour:
            store.WriteValueText(section, name, ColorToText(value));
            break;
    }
}

void ReadSettings(SettingsStore& store, SaverSettings& out) {
    ReadValues(store, SaverSettingTable, out);
}

void WriteSettings(SettingsStore& store, const SaverSettings& settings) {
    for (const SaverSetting* setting : DialogSaveOrder)
        WriteStoredValue(store, *setting, FieldValue(settings, *setting));
}

bool ApplySettingText(SaverSettings& settings, std::string_view name, std::string_view text) {
    const SaverSetting* setting = FindSetting(name);
    if (setting == nullptr) return false;
    SetFieldValue(settings, *setting, ParseSettingText(*setting, text));
    return true;
}
