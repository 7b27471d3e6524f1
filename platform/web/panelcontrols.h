// PanelControls: the settings panel's controls as the dialog's handlers read and set them; the
// page shows what they hold and passes its edits in.
#pragma once

#include <array>
#include <string>

#include "settings/controlid.h"
#include "settings/settingsdialog.h"

class PanelControls final : public FormControls {
  public:
    std::string Text(ControlId control) const override { return At(control).Text; }
    void SetText(ControlId control, std::string_view text) override { At(control).Text = text; }
    int ItemIndex(ControlId control) const override { return At(control).Index; }
    void SetItemIndex(ControlId control, int index) override { At(control).Index = index; }
    bool Checked(ControlId control) const override { return At(control).Checked; }
    void SetChecked(ControlId control, bool checked) override { At(control).Checked = checked; }
    ColorValue Color(ControlId control) const override { return At(control).Color; }
    void SetColor(ControlId control, ColorValue color) override { At(control).Color = color; }

  private:
    struct State {
        std::string Text;
        int Index = -1;
        bool Checked = false;
        ColorValue Color = 0;
    };
    static std::size_t Slot(ControlId control) {
        const auto i = static_cast<std::size_t>(control);
        return i < static_cast<std::size_t>(ControlId::Count) ? i : 0;
    }
    State& At(ControlId control) { return States[Slot(control)]; }
    const State& At(ControlId control) const { return States[Slot(control)]; }

    std::array<State, static_cast<std::size_t>(ControlId::Count)> States{};
};
