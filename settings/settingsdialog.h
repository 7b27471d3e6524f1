// SettingsDialog: the settings dialog's handlers, written against an abstract view of its controls
// so that every toolkit runs the same behaviour.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/color.h"
#include "settings/settingsform.h"
#include "settings/settingsstore.h"

class ColorPicker;
class MessageBoxService;
class Registry;

// The form's controls (those of SettingsForm), as the handlers read and set them.
class FormControls {
  public:
    virtual ~FormControls() = default;
    virtual std::string Text(ControlId control) const = 0;  // the spin field's text
    virtual void SetText(ControlId control, std::string_view text) = 0;
    virtual int ItemIndex(ControlId control) const = 0;  // radio groups; -1: none
    virtual void SetItemIndex(ControlId control, int index) = 0;
    virtual bool Checked(ControlId control) const = 0;
    virtual void SetChecked(ControlId control, bool checked) = 0;
    virtual ColorValue Color(ControlId control) const = 0;  // swatches
    virtual void SetColor(ControlId control, ColorValue color) = 0;
};

// The spin field's rules, shared by every toolkit's spin edit.
// Typed characters it keeps: digits, "+", "-", the decimal separator and control characters
// other than carriage return; anything else is dropped with a beep.
bool SpinEditAcceptsChar(char32_t c);
// The value the field holds: its text by the integer rule, the minimum when that fails. Not
// clamped: an uncommitted 99 is 99.
std::int32_t SpinEditValue(std::string_view text, std::int32_t minValue);
// Setting a value writes it clamped, as decimal text.
std::string SpinEditValueText(std::int64_t value, std::int32_t minValue, std::int32_t maxValue);
// The up/down buttons and arrow keys: the value plus `delta`, clamped.
std::string SpinEditStep(std::string_view text, int delta, std::int32_t minValue,
                         std::int32_t maxValue);
// Leaving the field: a number outside the range is replaced by the clamped one; any other text
// stays (empty result: leave the text as it is).
std::string SpinEditOnExit(std::string_view text, std::int32_t minValue, std::int32_t maxValue);

class SettingsDialog {
  public:
    SettingsDialog(Registry& registry, FormControls& controls, ColorPicker& colorDialog,
                   MessageBoxService& errorBox);
    ~SettingsDialog();

    // Called by the toolkit's dialog: Create loads the controls and Destroy releases the store;
    // an error that leaves a handler goes to the standard error report and the dialog goes on.
    void Create();
    void Destroy();
    // A control was clicked: sets the modal result its description gives, then runs the
    // handler of its click action with the control as the sender.
    void Click(ControlId control);

    // The handlers. They raise the store's errors; Create and Click report them. LoadControls
    // and OkClicked go through the settings table in the dialog's reading and writing orders.
    void LoadControls();
    void ReleaseStore();
    void OkClicked();
    void ColorButtonClicked(int senderTag);  // the Tag is the colour row
    void DarkPresetClicked();
    void BrightPresetClicked();

    DialogResult ModalResult = DialogResult::None;
    std::unique_ptr<SettingsStore> Store;

    // colorPicker's own state: its colour (black at first) and its sixteen custom colours,
    // kept for the dialog's lifetime.
    ColorValue PickerColor = clBlack;
    std::array<std::uint32_t, 16> CustomColors;

  private:
    Registry& Reg;
    FormControls& Controls;
    ColorPicker& ColorDialog;
    MessageBoxService& ErrorBox;
};
