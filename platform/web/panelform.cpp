#include "platform/web/panelform.h"

#include <cstdio>
#include <string_view>

#include "platform/posix/codepage.h"
#include "settings/convert.h"
#include "settings/settings.h"
#include "settings/settingsform.h"

namespace {

class JsonWriter {
  public:
    // A Shift-JIS text as a JSON string of its Unicode form.
    void Text(std::string_view sjis) { Utf8(SjisToUtf8(sjis)); }
    void Utf8(std::string_view text) {
        Out += '"';
        for (char c : text) {
            if (c == '"' || c == '\\') {
                Out += '\\';
                Out += c;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                Out += escaped;
            } else {
                Out += c;
            }
        }
        Out += '"';
    }
    void Number(long long value) { Out += std::to_string(value); }
    void Key(std::string_view key) {
        Utf8(key);
        Out += ':';
    }
    void Raw(std::string_view text) { Out += text; }
    std::string Take() { return std::move(Out); }

  private:
    std::string Out;
};

std::string_view KindName(SettingKind kind) {
    switch (kind) {
        case SettingKind::Integer:
            return "integer";
        case SettingKind::Flag:
            return "flag";
        case SettingKind::Colour:
            return "colour";
    }
    return "";
}

std::string_view ControlKindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::SpinEdit:
            return "spin";
        case ControlKind::RadioGroup:
            return "radio";
        case ControlKind::CheckBox:
            return "check";
        case ControlKind::Swatch:
            return "swatch";
        default:
            return "other";
    }
}

// The button that picks the colour of colour row `row`.
const ControlDesc* RowButton(int row) {
    for (const auto& control : SettingsForm.Controls)
        if (control.OnClick == ClickAction::ColorButton && control.Tag == row) return &control;
    return nullptr;
}

// A control by its id and caption, for the page's buttons and labels.
void Control(JsonWriter& json, ControlId id) {
    const ControlDesc* control = FindControl(SettingsForm, id);
    json.Raw("{");
    json.Key("id");
    json.Number(static_cast<int>(id));
    json.Raw(",");
    json.Key("caption");
    json.Text(control ? control->Caption : std::string_view());
    json.Raw("}");
}

void Setting(JsonWriter& json, const SaverSetting& setting, int& colourRow) {
    const ControlDesc& control = *FindControl(SettingsForm, setting.Control);
    json.Raw("{");
    json.Key("name");
    json.Utf8(setting.Name);
    json.Raw(",");
    json.Key("kind");
    json.Utf8(KindName(setting.Kind));
    json.Raw(",");
    json.Key("description");
    json.Utf8(setting.Description);
    json.Raw(",");
    json.Key("control");
    json.Number(static_cast<int>(control.Id));
    json.Raw(",");
    json.Key("controlKind");
    json.Utf8(ControlKindName(control.Kind));
    json.Raw(",");
    json.Key("caption");
    json.Text(control.Caption);
    if (control.Kind == ControlKind::SpinEdit) {
        json.Raw(",");
        json.Key("min");
        json.Number(control.MinValue);
        json.Raw(",");
        json.Key("max");
        json.Number(control.MaxValue);
    }
    if (control.Kind == ControlKind::RadioGroup) {
        json.Raw(",");
        json.Key("items");
        json.Raw("[");
        for (std::size_t i = 0; i < control.Items.size(); ++i) {
            if (i) json.Raw(",");
            json.Text(control.Items[i]);
        }
        json.Raw("]");
    }
    if (setting.Kind == SettingKind::Colour) {
        const int row = colourRow++;
        json.Raw(",");
        json.Key("row");
        json.Number(row);
        if (const ControlDesc* button = RowButton(row)) {
            json.Raw(",");
            json.Key("button");
            Control(json, button->Id);
        }
    }
    json.Raw("}");
}

}  // namespace

std::string PanelFormJson() {
    JsonWriter json;
    json.Raw("{");
    json.Key("caption");
    json.Text(SettingsForm.Caption);
    json.Raw(",");
    json.Key("settings");
    json.Raw("[");
    // In the table's order.
    int colourRow = 0;
    bool first = true;
    for (const SaverSetting& setting : SaverSettingTable) {
        if (!first) json.Raw(",");
        first = false;
        Setting(json, setting, colourRow);
    }
    json.Raw("],");
    const std::pair<std::string_view, ControlId> controls[] = {
        {"speedLabel", ControlId::speedLabel},       {"speedRange", ControlId::speedRangeLabel},
        {"colourLabel", ControlId::colorPanelLabel}, {"ok", ControlId::okButton},
        {"cancel", ControlId::cancelButton},         {"dark", ControlId::darkPresetButton},
        {"bright", ControlId::brightPresetButton},
    };
    for (const auto& [key, id] : controls) {
        json.Key(key);
        Control(json, id);
        json.Raw(",");
    }
    json.Key("colourNames");
    json.Raw("[");
    for (std::size_t i = 0; i < ColorNames.size(); ++i) {
        if (i) json.Raw(",");
        json.Utf8(ColorNames[i].Name);
    }
    json.Raw("]}");
    return json.Take();
}
