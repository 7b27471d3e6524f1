#include "platform/posix/clock.h"

#include <ctime>

std::uint32_t SystemClock::MillisecondsSinceMidnight() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return static_cast<std::uint32_t>(
        ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + now.tv_nsec / 1000000);
}
