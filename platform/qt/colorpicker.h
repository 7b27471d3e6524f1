// The platform's colour picker on Linux: Qt's colour dialog, which has sixteen custom colours.
#pragma once

#include "platform/colorpicker.h"

class QWidget;

class QtColorPicker : public ColorPicker {
  public:
    explicit QtColorPicker(QWidget* owner = nullptr) : Owner(owner) {}
    void SetOwner(QWidget* owner) { Owner = owner; }
    bool Pick(ColorValue& color, std::array<std::uint32_t, 16>& customColors) override;

  private:
    QWidget* Owner;
};
