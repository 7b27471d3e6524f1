#include "settings/settingsdialog.h"

#include <algorithm>
#include <exception>

#include "platform/colorpicker.h"
#include "platform/messagebox.h"
#include "settings/convert.h"
#include "settings/errors.h"
#include "settings/settings.h"

bool SpinEditAcceptsChar(char32_t c) {
    if (c >= U'0' && c <= U'9') return true;
    if (c == U'+' || c == U'-' || c == U'.') return true;
    return c < 32 && c != U'\r';
}

std::int32_t SpinEditValue(std::string_view text, std::int32_t minValue) {
    auto value = TextToInt(text);
    return value ? *value : minValue;
}

std::string SpinEditValueText(std::int64_t value, std::int32_t minValue, std::int32_t maxValue) {
    return std::to_string(std::clamp<std::int64_t>(value, minValue, maxValue));
}

std::string SpinEditStep(std::string_view text, int delta, std::int32_t minValue,
                         std::int32_t maxValue) {
    // Wide arithmetic: stepping up from the largest integer must clamp to the maximum, not wrap
    // round to the minimum.
    return SpinEditValueText(static_cast<std::int64_t>(SpinEditValue(text, minValue)) + delta,
                             minValue, maxValue);
}

std::string SpinEditOnExit(std::string_view text, std::int32_t minValue, std::int32_t maxValue) {
    std::int32_t value = SpinEditValue(text, minValue);
    if (value >= minValue && value <= maxValue) return {};
    return SpinEditValueText(value, minValue, maxValue);
}

namespace {

// A setting's value as its control shows it: the spin field clamped to its range, a radio group's
// selection clamped to its items (-1: none selected).
void ShowValue(FormControls& controls, const SaverSetting& setting, std::int32_t value) {
    const ControlDesc& control = *FindControl(SettingsForm, setting.Control);
    switch (control.Kind) {
        case ControlKind::SpinEdit:
            controls.SetText(control.Id,
                             SpinEditValueText(value, control.MinValue, control.MaxValue));
            break;
        case ControlKind::RadioGroup: {
            const int lastItem = static_cast<int>(control.Items.size()) - 1;
            controls.SetItemIndex(control.Id, std::clamp(value, -1, lastItem));
            break;
        }
        case ControlKind::CheckBox:
            controls.SetChecked(control.Id, value != 0);
            break;
        case ControlKind::Swatch:
            controls.SetColor(control.Id, value);
            break;
        default:
            break;
    }
}

// The value a setting's control holds; the spin field's text is taken unclamped.
std::int32_t ShownValue(const FormControls& controls, const SaverSetting& setting) {
    const ControlDesc& control = *FindControl(SettingsForm, setting.Control);
    switch (control.Kind) {
        case ControlKind::SpinEdit:
            return SpinEditValue(controls.Text(control.Id), control.MinValue);
        case ControlKind::RadioGroup:
            return controls.ItemIndex(control.Id);
        case ControlKind::CheckBox:
            return controls.Checked(control.Id) ? 1 : 0;
        case ControlKind::Swatch:
            return controls.Color(control.Id);
        default:
            return 0;
    }
}

}  // namespace

SettingsDialog::SettingsDialog(Registry& registry, FormControls& controls, ColorPicker& colorDialog,
                               MessageBoxService& errorBox)
    : Reg(registry), Controls(controls), ColorDialog(colorDialog), ErrorBox(errorBox) {
    CustomColors.fill(0xFFFFFFFFu);
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::Create() {
    try {
        LoadControls();
    } catch (const std::exception& e) {
        // The controls not read yet keep their design values, which are the defaults.
        ReportError(ErrorBox, e);
    }
}

void SettingsDialog::Destroy() {
    try {
        ReleaseStore();
    } catch (const std::exception& e) {
        ReportError(ErrorBox, e);
    }
}

void SettingsDialog::Click(ControlId control) {
    const ControlDesc* desc = FindControl(SettingsForm, control);
    if (!desc) return;
    if (desc->ModalResult != DialogResult::None) ModalResult = desc->ModalResult;
    try {
        switch (desc->OnClick) {
            case ClickAction::None:
                break;
            case ClickAction::Ok:
                OkClicked();
                break;
            case ClickAction::ColorButton:
                ColorButtonClicked(desc->Tag);
                break;
            case ClickAction::DarkPreset:
                DarkPresetClicked();
                break;
            case ClickAction::BrightPreset:
                BrightPresetClicked();
                break;
        }
    } catch (const std::exception& e) {
        // OK has set its modal result already, so the dialog still closes.
        ReportError(ErrorBox, e);
    }
}

void SettingsDialog::LoadControls() {
    Store = std::make_unique<SettingsStore>(Reg, kSettingsBaseKey);
    for (const SaverSetting* setting : DialogLoadOrder)
        ShowValue(Controls, *setting, ReadStoredValue(*Store, *setting));
}

void SettingsDialog::ReleaseStore() {
    Store.reset();
}

void SettingsDialog::OkClicked() {
    if (!Store) return;  // cannot happen after LoadControls, which creates it first
    for (const SaverSetting* setting : DialogSaveOrder)
        WriteStoredValue(*Store, *setting, ShownValue(Controls, *setting));
}

void SettingsDialog::ColorButtonClicked(int senderTag) {
    ColorValue color = PickerColor;
    if (!ColorDialog.Pick(color, CustomColors)) return;
    PickerColor = color;
    if (const SaverSetting* row = ColourRowSetting(senderTag))
        Controls.SetColor(row->Control, color);
}

void SettingsDialog::DarkPresetClicked() {
    using enum ControlId;
    auto& c = Controls;
    c.SetColor(roadSwatch, ColorFromText("cl3DLight"));
    // Computed from the named colours; the carry of 0x00FFFF + 0xFF00 reaches the blue byte.
    c.SetColor(lampSwatch, ColorFromText("clyellow") + 0x0000FF00);
    c.SetColor(star1Swatch, ColorFromText("cl3DLight"));
    c.SetColor(star2Swatch, ColorFromText("claqua"));
    c.SetColor(star3Swatch, ColorFromText("clyellow"));
    c.SetColor(town1Swatch, ColorFromText("clyellow") + 0x00008080);
    c.SetColor(town2Swatch, ColorFromText("clTeal"));
    c.SetColor(town3Swatch, ColorFromText("clred") - 100);
}

void SettingsDialog::BrightPresetClicked() {
    using enum ControlId;
    auto& c = Controls;
    c.SetColor(roadSwatch, ColorFromText("clwhite"));
    c.SetColor(lampSwatch, ColorFromText("clyellow"));
    c.SetColor(star1Swatch, ColorFromText("claqua"));
    c.SetColor(star2Swatch, ColorFromText("clgray"));
    c.SetColor(star3Swatch, ColorFromText("clyellow"));
    c.SetColor(town1Swatch, ColorFromText("clyellow"));
    c.SetColor(town2Swatch, ColorFromText("cllime"));
    c.SetColor(town3Swatch, ColorFromText("clred"));
}
