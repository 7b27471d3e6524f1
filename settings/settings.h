// The fourteen user settings: one table that says how each is stored, shown and offered, the
// record the saver reads them into, and the operations that walk the table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <variant>

#include "platform/color.h"
#include "settings/controlid.h"
#include "settings/convert.h"

class SettingsStore;

inline constexpr std::string_view kSettingsSection = "Velmora";
inline constexpr std::string_view kSettingsBaseKey = "Software";

inline constexpr ColorValue clYellow = NamedColor("clYellow");
inline constexpr ColorValue clAqua = NamedColor("clAqua");
inline constexpr ColorValue clGray = NamedColor("clGray");
inline constexpr ColorValue clTeal = NamedColor("clTeal");
inline constexpr ColorValue clRed = NamedColor("clRed");

enum class SettingKind {
    Integer,  // decimal text; a text that is not an integer reads as the default
    Flag,     // "1" or "0"; read as an integer with the same fallback, any non-zero is on
    Colour,   // a colour name or an integer text; any other text raises ConvertError
};

// One stored value and everything the program does with it: where and how it is stored, the
// field of `Record` it fills, the dialog control that shows it, and how the command line and the
// documentation offer it.
template <typename Record>
struct SettingDesc {
    std::string_view Name;  // the value's name, spelled as users' stored keys spell it
    SettingKind Kind = SettingKind::Integer;
    std::string_view DefaultText;  // what a missing value reads as, by the rules of its kind
    std::variant<std::int32_t Record::*, bool Record::*> Field;  // a Flag fills a bool
    // The key that holds the value: below the current user's "Software" key, or, when it starts
    // with "\", below the root of the current user's hive.
    std::string_view Section = kSettingsSection;
    ControlId Control = ControlId::NoControl;  // the settings dialog's control that shows the value
    // Places in the dialog's reading and in its writing on OK, counted from 0. The table's own
    // order is the saver window's reading order. A failure stops a sequence where it happens, so
    // each order can be seen from outside and must stay as it is.
    int LoadRank = -1, SaveRank = -1;
    int Min = 0, Max = 0;               // Integer: the values the dialog and the command line offer
    std::string_view Option = {};       // the command-line option without its leading "--"; "" none
    std::string_view Description = {};  // one line for --help, the manual page and the XML
};

// The value of a default text by the rules of its kind (a flag as 0 or 1). A text its kind cannot
// read does not compile where a constant is required.
constexpr std::int32_t DefaultValue(SettingKind kind, std::string_view text) {
    if (kind == SettingKind::Colour) return ColorTextValue(text).value();
    const std::int32_t value = StoredTextToInt(text).value();
    return kind == SettingKind::Flag ? (value != 0 ? 1 : 0) : value;
}

template <typename Record>
constexpr std::int32_t DefaultValue(const SettingDesc<Record>& setting) {
    return DefaultValue(setting.Kind, setting.DefaultText);
}

// The setting's field in `record` as a 32-bit value (a flag as 0 or 1).
template <typename Record>
constexpr std::int32_t FieldValue(const Record& record, const SettingDesc<Record>& setting) {
    return std::visit([&](auto field) { return static_cast<std::int32_t>(record.*field); },
                      setting.Field);
}

// Stores `value` in the setting's field of `record` (any non-zero value turns a flag on).
template <typename Record>
constexpr void SetFieldValue(Record& record, const SettingDesc<Record>& setting,
                             std::int32_t value) {
    std::visit(
        [&](auto field) {
            using Value = std::remove_reference_t<decltype(record.*field)>;
            record.*field = static_cast<Value>(value);
        },
        setting.Field);
}

// `text` read by the store's rules for `kind`: an integer or flag text that is not an integer
// gives `fallback`, a colour text that is neither a name nor an integer raises ConvertError.
std::int32_t ValueFromText(SettingKind kind, std::string_view text, std::int32_t fallback);

template <typename Record>
std::int32_t ParseSettingText(const SettingDesc<Record>& setting, std::string_view text) {
    return ValueFromText(setting.Kind, text, DefaultValue(setting));
}

// One value read from, or written to, the store by the rules of its kind; the store's errors
// pass through.
std::int32_t ReadStoredValue(SettingsStore& store, std::string_view section, std::string_view name,
                             SettingKind kind, std::string_view defaultText);
void WriteStoredValue(SettingsStore& store, std::string_view section, std::string_view name,
                      SettingKind kind, std::int32_t value);

template <typename Record>
std::int32_t ReadStoredValue(SettingsStore& store, const SettingDesc<Record>& setting) {
    return ReadStoredValue(store, setting.Section, setting.Name, setting.Kind, setting.DefaultText);
}

template <typename Record>
void WriteStoredValue(SettingsStore& store, const SettingDesc<Record>& setting,
                      std::int32_t value) {
    WriteStoredValue(store, setting.Section, setting.Name, setting.Kind, value);
}

// Reads every value of `table` into `out`, in the table's order. An error ends the reading where
// it happens: the values read before it are already in `out`, the rest keep what they had.
template <typename Record, std::size_t N>
void ReadValues(SettingsStore& store, const std::array<SettingDesc<Record>, N>& table,
                Record& out) {
    for (const auto& setting : table) SetFieldValue(out, setting, ReadStoredValue(store, setting));
}

// The saver's settings. Every field starts at its default from SaverSettingTable.
struct SaverSettings {
    constexpr SaverSettings();

    std::int32_t Speed{};  // milliseconds between frames
    std::int32_t DispMode{};
    bool StarScroll{};
    bool Comet{};
    std::int32_t UpDown{};
    bool Trans{};
    ColorValue road_Color{};
    ColorValue porl_Color{};
    ColorValue star1_Color{};
    ColorValue star2_Color{};
    ColorValue star3_Color{};
    ColorValue town1_Color{};
    ColorValue town2_Color{};
    ColorValue town3_Color{};
};

using SaverSetting = SettingDesc<SaverSettings>;

// The fourteen settings, in the order the saver window reads them.
inline constexpr auto SaverSettingTable = std::to_array<SaverSetting>({
    {.Name = "Speed",
     .Kind = SettingKind::Integer,
     .DefaultText = "30",
     .Field = &SaverSettings::Speed,
     .Control = ControlId::speedEdit,
     .LoadRank = 0,
     .SaveRank = 0,
     .Min = 15,
     .Max = 50,
     .Option = "speed",
     .Description = "Milliseconds between frames"},
    {.Name = "DispMode",
     .Kind = SettingKind::Integer,
     .DefaultText = "0",
     .Field = &SaverSettings::DispMode,
     .Control = ControlId::displayModeGroup,
     .LoadRank = 1,
     .SaveRank = 1,
     .Min = 0,
     .Max = 1,
     .Description = "0 keeps the screen's resolution, 1 switches the display to 640x480"},
    {.Name = "StarScroll",
     .Kind = SettingKind::Flag,
     .DefaultText = "0",
     .Field = &SaverSettings::StarScroll,
     .Control = ControlId::starScrollCheck,
     .LoadRank = 2,
     .SaveRank = 3,
     .Option = "star-scroll",
     .Description = "The stars climb slowly as well"},
    {.Name = "Comet",
     .Kind = SettingKind::Flag,
     .DefaultText = "0",
     .Field = &SaverSettings::Comet,
     .Control = ControlId::cometCheck,
     .LoadRank = 4,
     .SaveRank = 4,
     .Option = "comet",
     .Description = "Shooting stars now and then"},
    {.Name = "UpDown",
     .Kind = SettingKind::Integer,
     .DefaultText = "1",
     .Field = &SaverSettings::UpDown,
     .Control = ControlId::reliefGroup,
     .LoadRank = 3,
     .SaveRank = 2,
     .Min = 0,
     .Max = 3,
     .Option = "relief",
     .Description = "Hills of the road: 0 none, 1 weak, 2 medium, 3 strong"},
    {.Name = "Trans",
     .Kind = SettingKind::Flag,
     .DefaultText = "0",
     .Field = &SaverSettings::Trans,
     .Control = ControlId::seeThroughCheck,
     .LoadRank = 5,
     .SaveRank = 5,
     .Option = "see-through",
     .Description = "See-through road: dots behind a crest are drawn too"},
    {.Name = "road_Color",
     .Kind = SettingKind::Colour,
     .DefaultText = "cl3DLight",
     .Field = &SaverSettings::road_Color,
     .Control = ControlId::roadSwatch,
     .LoadRank = 6,
     .SaveRank = 6,
     .Description = "Colour of the road's edge dots"},
    {.Name = "porl_Color",
     .Kind = SettingKind::Colour,
     .DefaultText = "clyellow",
     .Field = &SaverSettings::porl_Color,
     .Control = ControlId::lampSwatch,
     .LoadRank = 7,
     .SaveRank = 7,
     .Description = "Colour of the street lamps"},
    {.Name = "star1_Color",
     .Kind = SettingKind::Colour,
     .DefaultText = "claqua",
     .Field = &SaverSettings::star1_Color,
     .Control = ControlId::star1Swatch,
     .LoadRank = 8,
     .SaveRank = 8,
     .Description = "Colour of the first layer of stars"},
    {.Name = "star2_Color",
     .Kind = SettingKind::Colour,
     .DefaultText = "clgray",
     .Field = &SaverSettings::star2_Color,
     .Control = ControlId::star2Swatch,
     .LoadRank = 9,
     .SaveRank = 9,
     .Description = "Colour of the second layer of stars"},
    {.Name = "star3_Color",
     .Kind = SettingKind::Colour,
     .DefaultText = "clyellow",
     .Field = &SaverSettings::star3_Color,
     .Control = ControlId::star3Swatch,
     .LoadRank = 10,
     .SaveRank = 10,
     .Description = "Colour of the third layer of stars"},
    {.Name = "town1_Color",
     .Kind = SettingKind::Colour,
     .DefaultText = "clyellow",
     .Field = &SaverSettings::town1_Color,
     .Control = ControlId::town1Swatch,
     .LoadRank = 11,
     .SaveRank = 11,
     .Description = "Colour of the first layer of town lights"},
    {.Name = "town2_Color",
     .Kind = SettingKind::Colour,
     .DefaultText = "clTeal",
     .Field = &SaverSettings::town2_Color,
     .Control = ControlId::town2Swatch,
     .LoadRank = 12,
     .SaveRank = 12,
     .Description = "Colour of the second layer of town lights"},
    {.Name = "town3_Color",
     .Kind = SettingKind::Colour,
     .DefaultText = "clred",
     .Field = &SaverSettings::town3_Color,
     .Control = ControlId::town3Swatch,
     .LoadRank = 13,
     .SaveRank = 13,
     .Description = "Colour of the third layer of town lights"},
});

constexpr SaverSettings::SaverSettings() {
    for (const auto& setting : SaverSettingTable)
        SetFieldValue(*this, setting, DefaultValue(setting));
}

// The settings ordered by one of the rank columns; ranks that do not number the settings from 0
// once each do not compile.
constexpr auto SettingsByRank(int SaverSetting::*rank) {
    std::array<const SaverSetting*, SaverSettingTable.size()> ordered{};
    for (const auto& setting : SaverSettingTable) {
        const int place = setting.*rank;
        if (place < 0 || place >= static_cast<int>(ordered.size()) || ordered[place] != nullptr)
            throw "the ranks must number the settings from 0, each place once";
        ordered[static_cast<std::size_t>(place)] = &setting;
    }
    return ordered;
}

inline constexpr auto DialogLoadOrder = SettingsByRank(&SaverSetting::LoadRank);
inline constexpr auto DialogSaveOrder = SettingsByRank(&SaverSetting::SaveRank);

// Look-ups in SaverSettingTable; null when no setting fits. Names and options match exactly.
constexpr const SaverSetting* FindSetting(std::string_view name) {
    for (const auto& setting : SaverSettingTable)
        if (setting.Name == name) return &setting;
    return nullptr;
}
constexpr const SaverSetting* FindSettingByOption(std::string_view option) {
    if (option.empty()) return nullptr;
    for (const auto& setting : SaverSettingTable)
        if (setting.Option == option) return &setting;
    return nullptr;
}

// The colour setting of the dialog's colour row `row`, counted from 0 in table order (the row
// numbers are the colour buttons' Tags); null for a row that does not exist.
constexpr const SaverSetting* ColourRowSetting(int row) {
    for (const auto& setting : SaverSettingTable)
        if (setting.Kind == SettingKind::Colour && row-- == 0) return &setting;
    return nullptr;
}

// Reads the fourteen values in the saver window's order into `out`. An error ends the reading
// where it happens: the values read before it are already in `out`, the rest keep what they had.
void ReadSettings(SettingsStore& store, SaverSettings& out);
// Writes the fourteen values in the order the settings dialog stores them; an error ends the
// writing where it happens.
void WriteSettings(SettingsStore& store, const SaverSettings& settings);

// Applies one stored text to the setting called `name`, by the store's reading rules (integers
// and flags fall back to the default on bad text; colours raise ConvertError). Returns false
// when there is no setting of that name.
bool ApplySettingText(SaverSettings& settings, std::string_view name, std::string_view text);
