// A form description (settings/settingsform.h) built as Qt widgets on a dialog, and the controls'
// values as the platform-free handlers see them.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settingsdialog.h"

class QDialog;
class QWidget;
class QRadioButton;

class QtFormView : public FormControls {
  public:
    // Builds every control of `form` on `dialog`; `onClick` gets the id of each clicked button.
    QtFormView(const FormDesc& form, QDialog& dialog, std::function<void(ControlId)> onClick);

    std::string Text(ControlId control) const override;
    void SetText(ControlId control, std::string_view text) override;
    int ItemIndex(ControlId control) const override;
    void SetItemIndex(ControlId control, int index) override;
    bool Checked(ControlId control) const override;
    void SetChecked(ControlId control, bool checked) override;
    ColorValue Color(ControlId control) const override;
    void SetColor(ControlId control, ColorValue color) override;

    QWidget* Widget(ControlId control) const;
    // The control that has the focus first: the first in the tab order.
    QWidget* FirstFocus() const { return TabChain.empty() ? nullptr : TabChain.front(); }

  private:
    // Building one control: the widget of its kind, then its place, font, colours and design
    // value.
    QWidget* Build(const ControlDesc& desc, QWidget* parent);
    QWidget* MakeWidget(const ControlDesc& desc, QWidget* parent);
    QWidget* MakeButton(const ControlDesc& desc, QWidget* parent);
    QWidget* MakeRadioGroup(const ControlDesc& desc, QWidget* parent);
    void ShowDesignValue(const ControlDesc& desc, QWidget* widget);

    void MakeTabChain(const FormDesc& form);
    void UpdateRadioFocus(ControlId group);

    const FormDesc& Form;
    QDialog& DialogWidget;
    std::function<void(ControlId)> OnClick;
    std::map<ControlId, QWidget*> Widgets;
    std::map<ControlId, std::vector<QRadioButton*>> Radios;
    std::map<ControlId, ColorValue> Colors;
    std::vector<QWidget*> TabChain;
};
