// A form description (settings/settingsform.h) built as Qt widgets on a dialog, and the controls'
// values as the platform-free handlers see them.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "settings/settingsdialog.h"

class QDialog;
class QWidget;
class QRadioButton;

class QtFormView : public FormControls {
public:
    // Builds every control of `form` on `dialog`; `onClick` gets the name of each clicked button.
    QtFormView(const FormDesc& form, QDialog& dialog, std::function<void(std::string_view)> onClick);

    std::string Text(std::string_view control) const override;
    void SetText(std::string_view control, std::string_view text) override;
    int ItemIndex(std::string_view control) const override;
    void SetItemIndex(std::string_view control, int index) override;
    bool Checked(std::string_view control) const override;
    void SetChecked(std::string_view control, bool checked) override;
    ColorValue Color(std::string_view control) const override;
    void SetColor(std::string_view control, ColorValue color) override;

    QWidget* Widget(std::string_view control) const;
    // The control that has the focus first: the first in the tab order.
    QWidget* FirstFocus() const { return tabChain_.empty() ? nullptr : tabChain_.front(); }

private:
    QWidget* Build(const ControlDesc& desc, QWidget* parent);
    void MakeTabChain(const FormDesc& form);
    void UpdateRadioFocus(std::string_view group);

    const FormDesc& form_;
    QDialog& dialog_;
    std::function<void(std::string_view)> onClick_;
    std::map<std::string, QWidget*, std::less<>> widgets_;
    std::map<std::string, std::vector<QRadioButton*>, std::less<>> radios_;
    std::map<std::string, ColorValue, std::less<>> colors_;
    std::vector<QWidget*> tabChain_;
};
