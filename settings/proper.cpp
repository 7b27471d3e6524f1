#include "settings/proper.h"

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
    const TControlDesc* desc = FindControl(properFForm, group);
    return desc ? static_cast<int>(desc->Items.size()) - 1 : -1;
}

const TControlDesc& Spin() { return *FindControl(properFForm, "DispSpeed"); }

}  // namespace

TproperF::TproperF(Registry& registry, TFormControls& controls, ColorPicker& colorDialog,
                   MessageBoxService& errorBox)
    : registry_(registry), controls_(controls), colorDialog_(colorDialog), errorBox_(errorBox) {
    CustomColors.fill(0xFFFFFFFFu);
}

TproperF::~TproperF() = default;

void TproperF::Create() {
    try {
        FormCreate();
    } catch (const std::exception& e) {
        // The controls not read yet keep their design values, which are the defaults.
        ReportError(errorBox_, e);
    }
}

void TproperF::Destroy() {
    try {
        FormDestroy();
    } catch (const std::exception& e) {
        ReportError(errorBox_, e);
    }
}

void TproperF::Click(std::string_view control) {
    const TControlDesc* desc = FindControl(properFForm, control);
    if (!desc) return;
    if (desc->ModalResult != TModalResult::None) ModalResult = desc->ModalResult;
    try {
        if (desc->OnClick == "BitBtn1Click")
            BitBtn1Click();
        else if (desc->OnClick == "road_bClick")
            road_bClick(desc->Tag);
        else if (desc->OnClick == "Dark_colorClick")
            Dark_colorClick();
        else if (desc->OnClick == "brite_colorClick")
            brite_colorClick();
    } catch (const std::exception& e) {
        // OK has set its modal result already, so the dialog still closes.
        ReportError(errorBox_, e);
    }
}

void TproperF::FormCreate() {
    RegIni = std::make_unique<TRegIniFile>(registry_, kSettingsBaseKey);
    auto& c = controls_;
    auto& ini = *RegIni;
    const auto& spin = Spin();
    c.SetText("DispSpeed", SpinEditValueText(ini.ReadValueInt(kSection, "Speed", 30),
                                             spin.MinValue, spin.MaxValue));
    c.SetItemIndex("DispModeGroup", std::clamp(ini.ReadValueInt(kSection, "DispMode", 0), -1,
                                               LastItem("DispModeGroup")));
    c.SetChecked("StarScroll_ch", ini.ReadValueBool(kSection, "StarScroll", false));
    c.SetItemIndex("UpDownGroup", std::clamp(ini.ReadValueInt(kSection, "UpDown", 1), -1,
                                             LastItem("UpDownGroup")));
    c.SetChecked("Comet_ch", ini.ReadValueBool(kSection, "Comet", false));
    c.SetChecked("Trans_ch", ini.ReadValueBool(kSection, "Trans", false));
    // The stored defaults are texts, spelled as the first release stored them.
    static constexpr std::string_view kDefaultTexts[8] = {
        "cl3DLight", "clyellow", "claqua", "clgray", "clyellow", "clyellow", "clTeal", "clred"};
    for (const auto& row : ColorRows)
        c.SetColor(row.Swatch,
                   ColorFromText(ini.ReadValueText(kSection, row.Setting, kDefaultTexts[row.Tag])));
}

void TproperF::FormDestroy() { RegIni.reset(); }

void TproperF::BitBtn1Click() {
    if (!RegIni) return;  // cannot happen after FormCreate, which creates it first
    auto& c = controls_;
    auto& ini = *RegIni;
    ini.WriteValueInt(kSection, "Speed", SpinEditValue(c.Text("DispSpeed"), Spin().MinValue));
    ini.WriteValueInt(kSection, "DispMode", c.ItemIndex("DispModeGroup"));
    ini.WriteValueInt(kSection, "UpDown", c.ItemIndex("UpDownGroup"));
    ini.WriteValueBool(kSection, "StarScroll", c.Checked("StarScroll_ch"));
    ini.WriteValueBool(kSection, "Comet", c.Checked("Comet_ch"));
    ini.WriteValueBool(kSection, "Trans", c.Checked("Trans_ch"));
    for (const auto& row : ColorRows)
        ini.WriteValueText(kSection, row.Setting, ColorToText(c.Color(row.Swatch)));
}

void TproperF::road_bClick(int senderTag) {
    TColor color = PickerColor;
    if (!colorDialog_.Pick(color, CustomColors)) return;
    PickerColor = color;
    if (senderTag < 0 || senderTag >= static_cast<int>(ColorRows.size())) return;
    controls_.SetColor(ColorRows[static_cast<std::size_t>(senderTag)].Swatch, color);
}

void TproperF::Dark_colorClick() {
    auto& c = controls_;
    c.SetColor("road_la", ColorFromText("cl3DLight"));
    // Computed from the named colours; the carry of 0x00FFFF + 0xFF00 reaches the blue byte.
    c.SetColor("porl_la", ColorFromText("clyellow") + 0x0000FF00);
    c.SetColor("star1_la", ColorFromText("cl3DLight"));
    c.SetColor("star2_la", ColorFromText("claqua"));
    c.SetColor("star3_la", ColorFromText("clyellow"));
    c.SetColor("town1_la", ColorFromText("clyellow") + 0x00008080);
    c.SetColor("town2_la", ColorFromText("clTeal"));
    c.SetColor("town3_la", ColorFromText("clred") - 100);
}

void TproperF::brite_colorClick() {
    auto& c = controls_;
    c.SetColor("road_la", ColorFromText("clwhite"));
    c.SetColor("porl_la", ColorFromText("clyellow"));
    c.SetColor("star1_la", ColorFromText("claqua"));
    c.SetColor("star2_la", ColorFromText("clgray"));
    c.SetColor("star3_la", ColorFromText("clyellow"));
    c.SetColor("town1_la", ColorFromText("clyellow"));
    c.SetColor("town2_la", ColorFromText("cllime"));
    c.SetColor("town3_la", ColorFromText("clred"));
}
