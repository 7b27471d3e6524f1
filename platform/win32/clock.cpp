#include "platform/win32/clock.h"

#include "platform/win32/win.h"

std::uint32_t Win32Clock::MillisecondsSinceMidnight() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return ((static_cast<std::uint32_t>(t.wHour) * 60u + t.wMinute) * 60u + t.wSecond) * 1000u +
           t.wMilliseconds;
}
