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

const auto kSection = kSettingsSection;

int LastItem(std::string_view group) {
    const ControlDesc* desc = FindControl(SettingsForm, group);
    return desc ? static_cast<int>(desc->Items.size()) - 1 : -1;
}

const ControlDesc& Spin() { return *FindControl(SettingsForm, "speedEdit"); }

}  // namespace

SettingsDialog::SettingsDialog(Registry& registry, FormControls& controls, ColorPicker& colorDialog,
                   MessageBoxService& errorBox)
    : registry_(registry), controls_(controls), colorDialog_(colorDialog), errorBox_(errorBox) {
    CustomColors.fill(0xFFFFFFFFu);
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::Create() {
    try {
        LoadControls();
    } catch (const std::exception& e) {
        // The controls not read yet keep their design values, which are the defaults.
        ReportError(errorBox_, e);
    }
}

void SettingsDialog::Destroy() {
    try {
        ReleaseStore();
    } catch (const std::exception& e) {
        ReportError(errorBox_, e);
    }
}

void SettingsDialog::Click(std::string_view control) {
    const ControlDesc* desc = FindControl(SettingsForm, control);
    if (!desc) return;
    if (desc->ModalResult != DialogResult::None) ModalResult = desc->ModalResult;
    try {
        if (desc->OnClick == "OkClicked")
            OkClicked();
        else if (desc->OnClick == "ColorButtonClicked")
            ColorButtonClicked(desc->Tag);
        else if (desc->OnClick == "DarkPresetClicked")
            DarkPresetClicked();
        else if (desc->OnClick == "BrightPresetClicked")
            BrightPresetClicked();
    } catch (const std::exception& e) {
        // OK has set its modal result already, so the dialog still closes.
        ReportError(errorBox_, e);
    }
}

void SettingsDialog::LoadControls() {
    Store = std::make_unique<SettingsStore>(registry_, kSettingsBaseKey);
    auto& c = controls_;
    auto& ini = *Store;
    const auto& spin = Spin();
    c.SetText("speedEdit", SpinEditValueText(ini.ReadValueInt(kSection, "Speed", 30),
                                             spin.MinValue, spin.MaxValue));
    c.SetItemIndex("displayModeGroup", std::clamp(ini.ReadValueInt(kSection, "DispMode", 0), -1,
                                               LastItem("displayModeGroup")));
    c.SetChecked("starScrollCheck", ini.ReadValueBool(kSection, "StarScroll", false));
    c.SetItemIndex("reliefGroup", std::clamp(ini.ReadValueInt(kSection, "UpDown", 1), -1,
                                             LastItem("reliefGroup")));
    c.SetChecked("cometCheck", ini.ReadValueBool(kSection, "Comet", false));
    c.SetChecked("seeThroughCheck", ini.ReadValueBool(kSection, "Trans", false));
    // The stored defaults are texts, spelled as the first release stored them.
    static constexpr std::string_view kDefaultTexts[8] = {
        "cl3DLight", "clyellow", "claqua", "clgray", "clyellow", "clyellow", "clTeal", "clred"};
    for (const auto& row : ColorRows)
        c.SetColor(row.Swatch,
                   ColorFromText(ini.ReadValueText(kSection, row.Setting, kDefaultTexts[row.Tag])));
}

void SettingsDialog::ReleaseStore() { Store.reset(); }

void SettingsDialog::OkClicked() {
    if (!Store) return;  // cannot happen after LoadControls, which creates it first
    auto& c = controls_;
    auto& ini = *Store;
    ini.WriteValueInt(kSection, "Speed", SpinEditValue(c.Text("speedEdit"), Spin().MinValue));
    ini.WriteValueInt(kSection, "DispMode", c.ItemIndex("displayModeGroup"));
    ini.WriteValueInt(kSection, "UpDown", c.ItemIndex("reliefGroup"));
    ini.WriteValueBool(kSection, "StarScroll", c.Checked("starScrollCheck"));
    ini.WriteValueBool(kSection, "Comet", c.Checked("cometCheck"));
    ini.WriteValueBool(kSection, "Trans", c.Checked("seeThroughCheck"));
    for (const auto& row : ColorRows)
        ini.WriteValueText(kSection, row.Setting, ColorToText(c.Color(row.Swatch)));
}

void SettingsDialog::ColorButtonClicked(int senderTag) {
    ColorValue color = PickerColor;
    if (!colorDialog_.Pick(color, CustomColors)) return;
    PickerColor = color;
    if (senderTag < 0 || senderTag >= static_cast<int>(ColorRows.size())) return;
    controls_.SetColor(ColorRows[static_cast<std::size_t>(senderTag)].Swatch, color);
}

void SettingsDialog::DarkPresetClicked() {
    auto& c = controls_;
    c.SetColor("roadSwatch", ColorFromText("cl3DLight"));
    // Computed from the named colours; the carry of 0x00FFFF + 0xFF00 reaches the blue byte.
    c.SetColor("lampSwatch", ColorFromText("clyellow") + 0x0000FF00);
    c.SetColor("star1Swatch", ColorFromText("cl3DLight"));
    c.SetColor("star2Swatch", ColorFromText("claqua"));
    c.SetColor("star3Swatch", ColorFromText("clyellow"));
    c.SetColor("town1Swatch", ColorFromText("clyellow") + 0x00008080);
    c.SetColor("town2Swatch", ColorFromText("clTeal"));
    c.SetColor("town3Swatch", ColorFromText("clred") - 100);
}

void SettingsDialog::BrightPresetClicked() {
    auto& c = controls_;
    c.SetColor("roadSwatch", ColorFromText("clwhite"));
    c.SetColor("lampSwatch", ColorFromText("clyellow"));
    c.SetColor("star1Swatch", ColorFromText("claqua"));
    c.SetColor("star2Swatch", ColorFromText("clgray"));
    c.SetColor("star3Swatch", ColorFromText("clyellow"));
    c.SetColor("town1Swatch", ColorFromText("clyellow"));
    c.SetColor("town2Swatch", ColorFromText("cllime"));
    c.SetColor("town3Swatch", ColorFromText("clred"));
}
