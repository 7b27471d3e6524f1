// Win32ColorPicker: the common colour dialog (ChooseColorW) as the settings dialog's picker.
#pragma once

#include "platform/colorpicker.h"

struct HWND__;

class Win32ColorPicker final : public ColorPicker {
  public:
    explicit Win32ColorPicker(HWND__* owner = nullptr) : Owner(owner) {}
    void SetOwner(HWND__* owner) { Owner = owner; }
    bool Pick(ColorValue& color, std::array<std::uint32_t, 16>& customColors) override;

  private:
    HWND__* Owner;
};
