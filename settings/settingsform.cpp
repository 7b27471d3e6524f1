#include "settings/settingsform.h"

#include <array>
#include <iterator>

#include "settings/convert.h"
#include "settings/settings.h"

namespace {

using K = ControlKind;

// "標準モード (現在の解像度)", "オリジナルモード  (強制 640×480 VGAモード)"
constexpr std::array<std::string_view, 2> kDispModeItems = {
    "\x95W\x8F\x80\x83\x82\x81[\x83h (\x8C\xBB\x8D\xDD\x82\xCC\x89\xF0\x91\x9C\x93x)",
    "\x83I\x83\x8A\x83W\x83i\x83\x8B\x83\x82\x81[\x83h  (\x8B\xAD\x90\xA7 640\x81~480 "
    "VGA\x83\x82\x81[\x83h)",
};
// "なし", "1 (弱)", "2 (中)", "3 (強)"
constexpr std::array<std::string_view, 4> kUpDownItems = {"\x82\xC8\x82\xB5", "1 (\x8E\xE3)",
                                                          "2 (\x92\x86)", "3 (\x8B\xAD)"};

// The setting a control shows; a control that shows none does not compile. (The compile-time
// helpers here return references, not pointers tested against null: with the sanitizers on, the
// compiler cannot evaluate such a test at compile time.)
constexpr const SaverSetting& ShownSetting(ControlId id) {
    for (const auto& setting : SaverSettingTable)
        if (setting.Control == id) return setting;
    throw "no setting is shown by this control";
}

// The design value of a control that shows a setting: the setting's default.
constexpr std::int32_t DesignValue(ControlId id) {
    return DefaultValue(ShownSetting(id));
}

// A colour-row button (66 x 16): its Tag is the row whose colour it picks.
constexpr ControlDesc RowButton(ControlId id, std::string_view name, int left, int top,
                                std::string_view caption, int tab, int row) {
    return {.Kind = K::PushButton,
            .Id = id,
            .Name = name,
            .Parent = "colorPanel",
            .Left = left,
            .Top = top,
            .Width = 66,
            .Height = 16,
            .Caption = caption,
            .TabOrder = tab,
            .TabStop = true,
            .Tag = row,
            .OnClick = ClickAction::ColorButton};
}
// A colour-row swatch (16 x 16, sunken) showing its setting's colour.
constexpr ControlDesc RowSwatch(ControlId id, std::string_view name, int left, int top, int tab) {
    return {.Kind = K::Swatch,
            .Id = id,
            .Name = name,
            .Parent = "colorPanel",
            .Left = left,
            .Top = top,
            .Width = 16,
            .Height = 16,
            .Caption = " ",
            .TabOrder = tab,
            .TabStop = false,
            .Color = DesignValue(id)};
}

constexpr ControlDesc kControls[] = {
    {.Kind = K::Frame,
     .Id = ControlId::aboutBevel,
     .Name = "aboutBevel",
     .Left = 5,
     .Top = 313,
     .Width = 296,
     .Height = 71},
    // "表示間隔(ミリセカンド)"
    {.Kind = K::Label,
     .Id = ControlId::speedLabel,
     .Name = "speedLabel",
     .Left = 15,
     .Top = 140,
     .Width = 112,
     .Height = 12,
     .Caption = "\x95\\\x8E\xA6\x8A\xD4\x8Au(\x83~\x83\x8A\x83Z\x83J\x83\x93\x83h)"},
    {.Kind = K::Label,
     .Id = ControlId::versionLabel,
     .Name = "versionLabel",
     .Left = 153,
     .Top = 330,
     .Width = 40,
     .Height = 12,
     .Caption = "Ver.0.09"},
    {.Kind = K::Label,
     .Id = ControlId::dateLabel,
     .Name = "dateLabel",
     .Left = 74,
     .Top = 348,
     .Width = 122,
     .Height = 12,
     .Caption = "Last UpDate 2002/1/15"},
    {.Kind = K::Frame,
     .Id = ControlId::settingsBevel,
     .Name = "settingsBevel",
     .Left = 5,
     .Top = 5,
     .Width = 296,
     .Height = 301},
    {.Kind = K::Label,
     .Id = ControlId::originLabel,
     .Name = "originLabel",
     .Left = 0,
     .Top = 387,
     .Width = 306,
     .Height = 12,
     .Caption = " It is Transplanted From The PC9801Assembler.",
     .Background = cl3DLight,
     .Bold = true,
     .Align = Alignment::Bottom},
    // "15～50"
    {.Kind = K::Label,
     .Id = ControlId::speedRangeLabel,
     .Name = "speedRangeLabel",
     .Left = 80,
     .Top = 160,
     .Width = 36,
     .Height = 12,
     .Caption = "15\x81`50"},
    {.Kind = K::Label,
     .Id = ControlId::originalVersionLabel,
     .Name = "originalVersionLabel",
     .Left = 0,
     .Top = 399,
     .Width = 306,
     .Height = 12,
     .Caption = " The Original Velmora Versionis is Ver1.02",
     .Background = clBtnFace,
     .Bold = true,
     .Align = Alignment::Bottom},
    {.Kind = K::Label,
     .Id = ControlId::creditLabel,
     .Name = "creditLabel",
     .Left = 14,
     .Top = 366,
     .Width = 186,
     .Height = 12,
     .Caption = "Ported by the Velmora team"},
    // The title and its grey shadow, 3 pixels right and 2 down: the shadow comes first so the
    // title is drawn over it.
    {.Kind = K::Label,
     .Id = ControlId::titleShadowLabel,
     .Name = "titleShadowLabel",
     .Left = 17,
     .Top = 327,
     .Width = 130,
     .Height = 16,
     .Caption = "Velmora For Win",
     .FontColor = clFormGray,
     .FontHeight = 16,
     .Bold = true},
    {.Kind = K::Label,
     .Id = ControlId::titleLabel,
     .Name = "titleLabel",
     .Left = 14,
     .Top = 325,
     .Width = 130,
     .Height = 16,
     .Caption = "Velmora For Win",
     .FontColor = clWindowText,
     .FontHeight = 16,
     .Bold = true,
     .Transparent = true},
    {.Kind = K::SpinEdit,
     .Id = ControlId::speedEdit,
     .Name = "speedEdit",
     .Left = 25,
     .Top = 155,
     .Width = 46,
     .Height = 21,
     .TabOrder = 0,
     .TabStop = true,
     .MinValue = ShownSetting(ControlId::speedEdit).Min,
     .MaxValue = ShownSetting(ControlId::speedEdit).Max,
     .Value = DesignValue(ControlId::speedEdit)},
    {.Kind = K::GlyphButton,
     .Id = ControlId::okButton,
     .Name = "okButton",
     .Left = 215,
     .Top = 320,
     .Width = 75,
     .Height = 25,
     .Caption = "OK",
     .TabOrder = 1,
     .TabStop = true,
     .OnClick = ClickAction::Ok,
     .Glyph = GlyphKind::Ok,
     .Default = true,
     .ModalResult = DialogResult::Ok},
    // "表示"
    {.Kind = K::RadioGroup,
     .Id = ControlId::displayModeGroup,
     .Name = "displayModeGroup",
     .Left = 15,
     .Top = 10,
     .Width = 276,
     .Height = 56,
     .Caption = "\x95\\\x8E\xA6",
     .Items = kDispModeItems,
     .TabOrder = 2,
     .TabStop = true,
     .ItemIndex = DesignValue(ControlId::displayModeGroup)},
    // "星もスクロール"
    {.Kind = K::CheckBox,
     .Id = ControlId::starScrollCheck,
     .Name = "starScrollCheck",
     .Left = 15,
     .Top = 75,
     .Width = 97,
     .Height = 17,
     .Caption = "\x90\xAF\x82\xE0\x83X\x83N\x83\x8D\x81[\x83\x8B",
     .TabOrder = 3,
     .TabStop = true},
    // "流れ星"
    {.Kind = K::CheckBox,
     .Id = ControlId::cometCheck,
     .Name = "cometCheck",
     .Left = 15,
     .Top = 95,
     .Width = 97,
     .Height = 17,
     .Caption = "\x97\xAC\x82\xEA\x90\xAF",
     .TabOrder = 4,
     .TabStop = true},
    // "道路の起伏"
    {.Kind = K::RadioGroup,
     .Id = ControlId::reliefGroup,
     .Name = "reliefGroup",
     .Left = 155,
     .Top = 75,
     .Width = 136,
     .Height = 101,
     .Caption = "\x93\xB9\x98H\x82\xCC\x8BN\x95\x9A",
     .Items = kUpDownItems,
     .TabOrder = 5,
     .TabStop = true,
     .ItemIndex = DesignValue(ControlId::reliefGroup)},
    // "道路の透過表示"
    {.Kind = K::CheckBox,
     .Id = ControlId::seeThroughCheck,
     .Name = "seeThroughCheck",
     .Left = 15,
     .Top = 115,
     .Width = 111,
     .Height = 17,
     .Caption = "\x93\xB9\x98H\x82\xCC\x93\xA7\x89\xDF\x95\\\x8E\xA6",
     .TabOrder = 6,
     .TabStop = true},
    {.Kind = K::Panel,
     .Id = ControlId::colorPanel,
     .Name = "colorPanel",
     .Left = 15,
     .Top = 185,
     .Width = 276,
     .Height = 116,
     .TabOrder = 7,
     .TabStop = false,
     .FontColor = clWhite,
     .Background = clBlack,
     .BevelWidth = 2},
    // "ｷｬﾝｾﾙ"
    {.Kind = K::GlyphButton,
     .Id = ControlId::cancelButton,
     .Name = "cancelButton",
     .Left = 215,
     .Top = 350,
     .Width = 75,
     .Height = 25,
     .Caption = "\xB7\xAC\xDD\xBE\xD9",
     .TabOrder = 8,
     .TabStop = true,
     .Glyph = GlyphKind::Cancel,
     .Cancel = true,
     .ModalResult = DialogResult::Cancel},
    {.Kind = K::ColorDialog, .Id = ControlId::colorPicker, .Name = "colorPicker"},

    // On colorPanel. "色の変更 (点の数)"
    {.Kind = K::Label,
     .Id = ControlId::colorPanelLabel,
     .Name = "colorPanelLabel",
     .Parent = "colorPanel",
     .Left = 5,
     .Top = 5,
     .Width = 96,
     .Height = 12,
     .Caption = "\x90"
                "F\x82\xCC\x95\xCF\x8DX (\x93_\x82\xCC\x90\x94)",
     .FontColor = clWhite,
     .Background = clBlack},
    // "暗色の規定値"
    {.Kind = K::PushButton,
     .Id = ControlId::darkPresetButton,
     .Name = "darkPresetButton",
     .Parent = "colorPanel",
     .Left = 105,
     .Top = 83,
     .Width = 81,
     .Height = 25,
     .Caption = "\x88\xC3\x90"
                "F\x82\xCC\x8BK\x92\xE8\x92l",
     .TabOrder = 2,
     .TabStop = true,
     .OnClick = ClickAction::DarkPreset},
    // "明るい規定値"
    {.Kind = K::PushButton,
     .Id = ControlId::brightPresetButton,
     .Name = "brightPresetButton",
     .Parent = "colorPanel",
     .Left = 190,
     .Top = 83,
     .Width = 81,
     .Height = 25,
     .Caption = "\x96\xBE\x82\xE9\x82\xA2\x8BK\x92\xE8\x92l",
     .TabOrder = 3,
     .TabStop = true,
     .OnClick = ClickAction::BrightPreset},
    RowSwatch(ControlId::roadSwatch, "roadSwatch", 7, 19, 0),
    RowButton(ControlId::roadButton, "roadButton", 26, 20, "\x93\xB9\x98H", 1, 0),  // "道路"
    RowSwatch(ControlId::lampSwatch, "lampSwatch", 7, 39, 4),
    RowButton(ControlId::lampButton, "lampButton", 26, 40, "\x8AX\x93\x94", 5, 1),  // "街灯"
    RowSwatch(ControlId::star1Swatch, "star1Swatch", 98, 19, 6),
    RowButton(ControlId::star1Button, "star1Button", 117, 20, "\x90\xAF\x82P (45)", 7,
              2),  // "星１ (45)"
    RowSwatch(ControlId::star2Swatch, "star2Swatch", 98, 39, 8),
    RowButton(ControlId::star2Button, "star2Button", 117, 40, "\x90\xAF\x82Q (10)", 9,
              3),  // "星２ (10)"
    RowSwatch(ControlId::star3Swatch, "star3Swatch", 98, 59, 10),
    RowButton(ControlId::star3Button, "star3Button", 117, 60, "\x90\xAF\x82R (5)", 11,
              4),  // "星３ (5)"
    RowSwatch(ControlId::town1Swatch, "town1Swatch", 186, 19, 12),
    RowButton(ControlId::town1Button, "town1Button", 205, 20, "\x8AX\x82P (215)", 13,
              5),  // "街１ (215)"
    RowSwatch(ControlId::town2Swatch, "town2Swatch", 186, 39, 14),
    RowButton(ControlId::town2Button, "town2Button", 205, 40, "\x8AX\x82Q (25)", 15,
              6),  // "街２ (25)"
    RowSwatch(ControlId::town3Swatch, "town3Swatch", 186, 59, 16),
    RowButton(ControlId::town3Button, "town3Button", 205, 60, "\x8AX\x82R (10)", 17,
              7),  // "街３ (10)"
};

// The form's control of id `id`; an id the form lacks does not compile.
constexpr const ControlDesc& DesignedControl(ControlId id) {
    for (const auto& control : kControls)
        if (control.Id == id) return control;
    throw "the form has no control of this id";
}

constexpr int ColourRowCount() {
    int rows = 0;
    for (const auto& setting : SaverSettingTable)
        if (setting.Kind == SettingKind::Colour) ++rows;
    return rows;
}

// Each id names exactly one control, each name is used once and each parent is a panel.
constexpr bool ControlsAreNamedOnce() {
    if (std::size(kControls) != static_cast<std::size_t>(ControlId::Count) - 1) return false;
    for (const auto& control : kControls) {
        if (control.Id == ControlId::NoControl || control.Id == ControlId::Count) return false;
        int sameId = 0, sameName = 0;
        bool parentFound = control.Parent.empty();
        for (const auto& other : kControls) {
            sameId += other.Id == control.Id ? 1 : 0;
            sameName += other.Name == control.Name ? 1 : 0;
            if (other.Name == control.Parent && other.Kind == K::Panel) parentFound = true;
        }
        if (sameId != 1 || sameName != 1 || !parentFound) return false;
    }
    return true;
}
static_assert(ControlsAreNamedOnce(),
              "every control id must name one control of the form, with a name of its own and a "
              "panel as its parent");

// Each setting's control is on the form and can show the setting's kind and values, and each
// colour row has one button.
constexpr bool ControlsFitTheirSettings() {
    for (const auto& setting : SaverSettingTable) {
        const ControlDesc& control = DesignedControl(setting.Control);
        switch (setting.Kind) {
            case SettingKind::Integer:
                if (control.Kind == K::RadioGroup) {
                    if (setting.Min != 0 || std::ssize(control.Items) != setting.Max + 1)
                        return false;
                } else if (control.Kind != K::SpinEdit) {
                    return false;
                }
                break;
            case SettingKind::Flag:
                // Check boxes are designed clear, which is the default only of a flag that is off.
                if (control.Kind != K::CheckBox || DefaultValue(setting) != 0) return false;
                break;
            case SettingKind::Colour:
                if (control.Kind != K::Swatch) return false;
                break;
        }
    }
    int buttons = 0;
    for (const auto& control : kControls) {
        if (control.OnClick != ClickAction::ColorButton) continue;
        if (control.Tag < 0 || control.Tag >= ColourRowCount()) return false;
        for (const auto& other : kControls)
            if (&other != &control && other.OnClick == ClickAction::ColorButton &&
                other.Tag == control.Tag)
                return false;
        ++buttons;
    }
    return buttons == ColourRowCount();
}
static_assert(ControlsFitTheirSettings(),
              "every setting needs a control of the form that can show it, and every colour row "
              "one button");

}  // namespace

const FormDesc SettingsForm = {
    .Name = "SettingsDialog",
    .Caption = "\x90\xDD\x92\xE8",  // "設定"
    .ClientWidth = 306,
    .ClientHeight = 411,
    .FontFace =
        "\x82l\x82r \x82o\x83S\x83V\x83"
        "b\x83N",  // "ＭＳ Ｐゴシック"
    .FontHeight = 12,
    .FontColor = clWindowText,
    .BorderIcons = false,
    .Centered = true,
    .Controls = kControls,
};

const ControlDesc* FindControl(const FormDesc& form, std::string_view name) {
    for (const auto& control : form.Controls)
        if (control.Name == name) return &control;
    return nullptr;
}

const ControlDesc* FindControl(const FormDesc& form, ControlId id) {
    for (const auto& control : form.Controls)
        if (control.Id == id) return &control;
    return nullptr;
}
