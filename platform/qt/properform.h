// A form description (settings/properform.h) built as Qt widgets on a dialog, and the controls'
// values as the platform-free handlers see them.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "settings/proper.h"

class QDialog;
class QWidget;
class QRadioButton;

class QtFormView : public TFormControls {
public:
    // Builds every control of `form` on `dialog`; `onClick` gets the name of each clicked button.
    QtFormView(const TFormDesc& form, QDialog& dialog, std::function<void(std::string_view)> onClick);

    std::string Text(std::string_view control) const override;
    void SetText(std::string_view control, std::string_view text) override;
    int ItemIndex(std::string_view control) const override;
    void SetItemIndex(std::string_view control, int index) override;
    bool Checked(std::string_view control) const override;
    void SetChecked(std::string_view control, bool checked) override;
    TColor Color(std::string_view control) const override;
    void SetColor(std::string_view control, TColor color) override;

    QWidget* Widget(std::string_view control) const;
    // The control that has the focus first: the first in the tab order.
    QWidget* FirstFocus() const { return tabChain_.empty() ? nullptr : tabChain_.front(); }

private:
    QWidget* Build(const TControlDesc& desc, QWidget* parent);
    void MakeTabChain(const TFormDesc& form);
    void UpdateRadioFocus(std::string_view group);

    const TFormDesc& form_;
    QDialog& dialog_;
    std::function<void(std::string_view)> onClick_;
    std::map<std::string, QWidget*, std::less<>> widgets_;
    std::map<std::string, std::vector<QRadioButton*>, std::less<>> radios_;
    std::map<std::string, TColor, std::less<>> colors_;
    std::vector<QWidget*> tabChain_;
};
