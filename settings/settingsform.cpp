#include "settings/settingsform.h"

#include <array>

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
constexpr std::array<std::string_view, 4> kUpDownItems = {
    "\x82\xC8\x82\xB5", "1 (\x8E\xE3)", "2 (\x92\x86)", "3 (\x8B\xAD)"};

// A colour-row button (66 x 16, handler ColorButtonClicked) and its swatch (16 x 16, sunken).
constexpr ControlDesc RowButton(std::string_view name, int left, int top, std::string_view caption,
                                 int tab, int tag) {
    return {.Kind = K::PushButton, .Name = name, .Parent = "colorPanel", .Left = left, .Top = top,
            .Width = 66, .Height = 16, .Caption = caption, .TabOrder = tab, .TabStop = true,
            .Tag = tag, .OnClick = "ColorButtonClicked"};
}
constexpr ControlDesc RowSwatch(std::string_view name, int left, int top, int tab, ColorValue color,
                                 std::string_view setting) {
    return {.Kind = K::Swatch, .Name = name, .Parent = "colorPanel", .Left = left, .Top = top,
            .Width = 16, .Height = 16, .Caption = " ", .TabOrder = tab, .TabStop = false,
            .Color = color, .Setting = setting};
}

constexpr ControlDesc kControls[] = {
    {.Kind = K::Frame, .Name = "aboutBevel", .Left = 5, .Top = 313, .Width = 296, .Height = 71},
    // "表示間隔(ミリセカンド)"
    {.Kind = K::Label, .Name = "speedLabel", .Left = 15, .Top = 140, .Width = 112, .Height = 12,
     .Caption = "\x95\\\x8E\xA6\x8A\xD4\x8Au(\x83~\x83\x8A\x83Z\x83J\x83\x93\x83h)"},
    {.Kind = K::Label, .Name = "versionLabel", .Left = 153, .Top = 330, .Width = 40, .Height = 12,
     .Caption = "Ver.0.09"},
    {.Kind = K::Label, .Name = "dateLabel", .Left = 74, .Top = 348, .Width = 122, .Height = 12,
     .Caption = "Last UpDate 2002/1/15"},
    {.Kind = K::Frame, .Name = "settingsBevel", .Left = 5, .Top = 5, .Width = 296, .Height = 301},
    {.Kind = K::Label, .Name = "originLabel", .Left = 0, .Top = 387, .Width = 306, .Height = 12,
     .Caption = " It is Transplanted From The PC9801Assembler.", .Background = cl3DLight,
     .Bold = true, .Align = Alignment::Bottom},
    // "15～50"
    {.Kind = K::Label, .Name = "speedRangeLabel", .Left = 80, .Top = 160, .Width = 36, .Height = 12,
     .Caption = "15\x81`50"},
    {.Kind = K::Label, .Name = "originalVersionLabel", .Left = 0, .Top = 399, .Width = 306, .Height = 12,
     .Caption = " The Original Velmora Versionis is Ver1.02", .Background = clBtnFace,
     .Bold = true, .Align = Alignment::Bottom},
    {.Kind = K::Label, .Name = "creditLabel", .Left = 14, .Top = 366, .Width = 186, .Height = 12,
     .Caption = "Ported by the Velmora team"},
    // The title and its grey shadow, 3 pixels right and 2 down: the shadow comes first so the
    // title is drawn over it.
    {.Kind = K::Label, .Name = "titleShadowLabel", .Left = 17, .Top = 327, .Width = 130, .Height = 16,
     .Caption = "Velmora For Win", .FontColor = clFormGray, .FontHeight = 16, .Bold = true},
    {.Kind = K::Label, .Name = "titleLabel", .Left = 14, .Top = 325, .Width = 130, .Height = 16,
     .Caption = "Velmora For Win", .FontColor = clWindowText, .FontHeight = 16, .Bold = true,
     .Transparent = true},
    {.Kind = K::SpinEdit, .Name = "speedEdit", .Left = 25, .Top = 155, .Width = 46, .Height = 21,
     .TabOrder = 0, .TabStop = true, .MinValue = 15, .MaxValue = 50, .Value = 30},
    {.Kind = K::GlyphButton, .Name = "okButton", .Left = 215, .Top = 320, .Width = 75, .Height = 25,
     .Caption = "OK", .TabOrder = 1, .TabStop = true, .OnClick = "OkClicked",
     .Glyph = GlyphKind::Ok, .Default = true, .ModalResult = DialogResult::Ok},
    // "表示"
    {.Kind = K::RadioGroup, .Name = "displayModeGroup", .Left = 15, .Top = 10, .Width = 276,
     .Height = 56, .Caption = "\x95\\\x8E\xA6", .Items = kDispModeItems, .TabOrder = 2,
     .TabStop = true, .ItemIndex = 0, .Setting = "DispMode"},
    // "星もスクロール"
    {.Kind = K::CheckBox, .Name = "starScrollCheck", .Left = 15, .Top = 75, .Width = 97, .Height = 17,
     .Caption = "\x90\xAF\x82\xE0\x83X\x83N\x83\x8D\x81[\x83\x8B", .TabOrder = 3, .TabStop = true,
     .Setting = "StarScroll"},
    // "流れ星"
    {.Kind = K::CheckBox, .Name = "cometCheck", .Left = 15, .Top = 95, .Width = 97, .Height = 17,
     .Caption = "\x97\xAC\x82\xEA\x90\xAF", .TabOrder = 4, .TabStop = true, .Setting = "Comet"},
    // "道路の起伏"
    {.Kind = K::RadioGroup, .Name = "reliefGroup", .Left = 155, .Top = 75, .Width = 136,
     .Height = 101, .Caption = "\x93\xB9\x98H\x82\xCC\x8BN\x95\x9A", .Items = kUpDownItems,
     .TabOrder = 5, .TabStop = true, .ItemIndex = 1, .Setting = "UpDown"},
    // "道路の透過表示"
    {.Kind = K::CheckBox, .Name = "seeThroughCheck", .Left = 15, .Top = 115, .Width = 111, .Height = 17,
     .Caption = "\x93\xB9\x98H\x82\xCC\x93\xA7\x89\xDF\x95\\\x8E\xA6", .TabOrder = 6,
     .TabStop = true, .Setting = "Trans"},
    {.Kind = K::Panel, .Name = "colorPanel", .Left = 15, .Top = 185, .Width = 276, .Height = 116,
     .TabOrder = 7, .TabStop = false, .FontColor = clWhite, .Background = clBlack,
     .BevelWidth = 2},
    // "ｷｬﾝｾﾙ"
    {.Kind = K::GlyphButton, .Name = "cancelButton", .Left = 215, .Top = 350, .Width = 75, .Height = 25,
     .Caption = "\xB7\xAC\xDD\xBE\xD9", .TabOrder = 8, .TabStop = true, .Glyph = GlyphKind::Cancel,
     .Cancel = true, .ModalResult = DialogResult::Cancel},
    {.Kind = K::ColorDialog, .Name = "colorPicker"},

    // On colorPanel. "色の変更 (点の数)"
    {.Kind = K::Label, .Name = "colorPanelLabel", .Parent = "colorPanel", .Left = 5, .Top = 5, .Width = 96,
     .Height = 12, .Caption = "\x90" "F\x82\xCC\x95\xCF\x8DX (\x93_\x82\xCC\x90\x94)",
     .FontColor = clWhite, .Background = clBlack},
    // "暗色の規定値"
    {.Kind = K::PushButton, .Name = "darkPresetButton", .Parent = "colorPanel", .Left = 105, .Top = 83,
     .Width = 81, .Height = 25, .Caption = "\x88\xC3\x90" "F\x82\xCC\x8BK\x92\xE8\x92l",
     .TabOrder = 2, .TabStop = true, .OnClick = "DarkPresetClicked"},
    // "明るい規定値"
    {.Kind = K::PushButton, .Name = "brightPresetButton", .Parent = "colorPanel", .Left = 190, .Top = 83,
     .Width = 81, .Height = 25, .Caption = "\x96\xBE\x82\xE9\x82\xA2\x8BK\x92\xE8\x92l",
     .TabOrder = 3, .TabStop = true, .OnClick = "BrightPresetClicked"},
    RowSwatch("roadSwatch", 7, 19, 0, cl3DLight, "road_Color"),
    RowButton("roadButton", 26, 20, "\x93\xB9\x98H", 1, 0),  // "道路"
    RowSwatch("lampSwatch", 7, 39, 4, clYellow, "porl_Color"),
    RowButton("lampButton", 26, 40, "\x8AX\x93\x94", 5, 1),  // "街灯"
    RowSwatch("star1Swatch", 98, 19, 6, clAqua, "star1_Color"),
    RowButton("star1Button", 117, 20, "\x90\xAF\x82P (45)", 7, 2),  // "星１ (45)"
    RowSwatch("star2Swatch", 98, 39, 8, clGray, "star2_Color"),
    RowButton("star2Button", 117, 40, "\x90\xAF\x82Q (10)", 9, 3),  // "星２ (10)"
    RowSwatch("star3Swatch", 98, 59, 10, clYellow, "star3_Color"),
    RowButton("star3Button", 117, 60, "\x90\xAF\x82R (5)", 11, 4),  // "星３ (5)"
    RowSwatch("town1Swatch", 186, 19, 12, clYellow, "town1_Color"),
    RowButton("town1Button", 205, 20, "\x8AX\x82P (215)", 13, 5),  // "街１ (215)"
    RowSwatch("town2Swatch", 186, 39, 14, clTeal, "town2_Color"),
    RowButton("town2Button", 205, 40, "\x8AX\x82Q (25)", 15, 6),  // "街２ (25)"
    RowSwatch("town3Swatch", 186, 59, 16, clRed, "town3_Color"),
    RowButton("town3Button", 205, 60, "\x8AX\x82R (10)", 17, 7),  // "街３ (10)"
};

constexpr std::array<ColorRow, 8> kColorRows = {{
    {0, "roadButton", "roadSwatch", "road_Color"},
    {1, "lampButton", "lampSwatch", "porl_Color"},
    {2, "star1Button", "star1Swatch", "star1_Color"},
    {3, "star2Button", "star2Swatch", "star2_Color"},
    {4, "star3Button", "star3Swatch", "star3_Color"},
    {5, "town1Button", "town1Swatch", "town1_Color"},
    {6, "town2Button", "town2Swatch", "town2_Color"},
    {7, "town3Button", "town3Swatch", "town3_Color"},
}};

}  // namespace

const FormDesc SettingsForm = {
    .Name = "SettingsDialog",
    .Caption = "\x90\xDD\x92\xE8",  // "設定"
    .ClientWidth = 306,
    .ClientHeight = 411,
    .FontFace = "\x82l\x82r \x82o\x83S\x83V\x83" "b\x83N",  // "ＭＳ Ｐゴシック"
    .FontHeight = 12,
    .FontColor = clWindowText,
    .BorderIcons = false,
    .Centered = true,
    .Controls = kControls,
};

const std::span<const ColorRow> ColorRows = kColorRows;

const ControlDesc* FindControl(const FormDesc& form, std::string_view name) {
    for (const auto& control : form.Controls)
        if (control.Name == name) return &control;
    return nullptr;
}
