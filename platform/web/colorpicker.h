// PageColorPicker: the page's colour input as the dialog's colour picker. The browser's picker
// answers later, so the page offers the chosen colour first and then clicks the row's button;
// a click with nothing offered is a cancelled picker.
#pragma once

#include <optional>

#include "platform/colorpicker.h"

class PageColorPicker final : public ColorPicker {
  public:
    void Offer(ColorValue color) { Offered = color & 0x00FFFFFF; }
    bool Pick(ColorValue& color, std::array<std::uint32_t, 16>&) override {
        if (!Offered) return false;
        color = *Offered;
        Offered.reset();
        return true;
    }

  private:
    std::optional<ColorValue> Offered;
};
