// Win32Clock: the local time of day from GetLocalTime.
#pragma once

#include "platform/random.h"

class Win32Clock final : public Clock {
  public:
    std::uint32_t MillisecondsSinceMidnight() override;
};
