// The settings dialog's form as data: every control with its id, kind, place, caption, font,
// colours, tab order, what a click on it does and, for the colour rows, the Tag that ties a button
// to its row. Each toolkit builds its widgets from this one description; texts are Shift-JIS.
// Which setting a control shows, and its design value, come from the settings table.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/color.h"
#include "settings/controlid.h"
#include "settings/convert.h"

enum class ControlKind {
    Frame,        // a lowered bevel drawn as a box; takes no input
    Label,        // one line of text
    SpinEdit,     // one-line edit with up and down buttons at its right edge
    GlyphButton,  // push button with a stock glyph (OK or Cancel kind)
    RadioGroup,   // captioned box of radio items in one column
    CheckBox,
    Panel,  // container with a lowered bevel; its children are placed relative to it
    PushButton,
    Swatch,       // 16 x 16 static text with a sunken border whose background shows a colour
    ColorDialog,  // not visible: the colour picker
};

enum class GlyphKind { None, Ok, Cancel };
enum class Alignment { None, Bottom };
enum class DialogResult { None, Ok, Cancel };

// The handler a click runs (besides setting the control's modal result).
enum class ClickAction {
    None,
    Ok,            // writes the settings
    ColorButton,   // picks a colour for the colour row given by the button's Tag
    DarkPreset,    // puts the dark colour set in the swatches
    BrightPreset,  // puts the bright colour set in the swatches
};

// Colours the form uses besides plain ones: named system colours resolved when drawn.
inline constexpr ColorValue clWindowText = NamedColor("clWindowText");
inline constexpr ColorValue clBtnFace = NamedColor("clBtnFace");
inline constexpr ColorValue clFormGray = NamedColor("clGray");
// "no colour of its own": the control shows its parent's background or font colour.
inline constexpr ColorValue clDefault = static_cast<ColorValue>(0x20000000);

struct ControlDesc {
    ControlKind Kind = ControlKind::Label;
    ControlId Id = ControlId::NoControl;
    std::string_view Name = {};    // the toolkits' name for the widget
    std::string_view Parent = {};  // "" for the form itself
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::string_view Caption = {};
    std::span<const std::string_view> Items = {};  // radio groups
    int TabOrder = -1;                             // -1: takes no place in the tab order
    bool TabStop = false;
    ColorValue FontColor = clDefault;
    ColorValue Background = clDefault;
    int FontHeight = 0;  // pixels; 0: the form's
    bool Bold = false;
    bool Transparent = false;
    Alignment Align = Alignment::None;
    int Tag = 0;
    ClickAction OnClick = ClickAction::None;
    GlyphKind Glyph = GlyphKind::None;
    bool Default = false;  // Enter clicks it
    bool Cancel = false;   // Esc clicks it
    DialogResult ModalResult = DialogResult::None;
    int MinValue = 0, MaxValue = 0, Value = 0;  // spin edit: range and design value
    int ItemIndex = -1;                         // radio group: design selection
    int BevelWidth = 0;                         // panel: width of its lowered bevel
    ColorValue Color = clDefault;               // swatch: design colour
};

struct FormDesc {
    std::string_view Name;
    std::string_view Caption;
    int ClientWidth, ClientHeight;
    std::string_view FontFace;  // Shift-JIS; a toolkit substitutes any proportional Japanese face
    int FontHeight;             // pixels
    ColorValue FontColor;
    bool BorderIcons;  // false: no system menu, minimise, maximise or close box
    bool Centered;
    std::span<const ControlDesc> Controls;  // in creation order: later ones are drawn on top
};

extern const FormDesc SettingsForm;

// The control called `name`, or with id `id`; null when the form has none.
const ControlDesc* FindControl(const FormDesc& form, std::string_view name);
const ControlDesc* FindControl(const FormDesc& form, ControlId id);
