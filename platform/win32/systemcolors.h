// Win32SystemColors: the system colours as the desktop currently has them (GetSysColor).
#pragma once

#include "platform/color.h"

class Win32SystemColors final : public SystemColorSource {
  public:
    std::uint32_t SysColor(int index) const override;
};
