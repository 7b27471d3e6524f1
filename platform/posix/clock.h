// SystemClock: the local time of day.
#pragma once

#include "platform/random.h"

class SystemClock final : public Clock {
  public:
    std::uint32_t MillisecondsSinceMidnight() override;
};
