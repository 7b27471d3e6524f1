// The frame timer service: a timer that calls back on a thread of its own, shaped after the
// multimedia timer (caps, period, one-shot and periodic events, kill).
#pragma once

#include <cstdint>

struct TimerCaps {
    std::uint32_t PeriodMin = 1;
    std::uint32_t PeriodMax = 1000000;
};

enum class TimerKind : std::uint8_t { OneShot = 0, Periodic = 1 };

using TimerProc = void (*)(void* user);

class TimerService {
  public:
    virtual ~TimerService() = default;
    virtual TimerCaps GetDevCaps() = 0;
    virtual void BeginPeriod(std::uint32_t period) = 0;
    virtual void EndPeriod(std::uint32_t period) = 0;
    // Arms an event: `proc(user)` runs on the timer thread after `delay` ms, once or every `delay`
    // ms until killed. Returns the event id, 0 on failure. Must not allocate (it is called from
    // inside callbacks).
    virtual std::uint32_t SetEvent(std::uint32_t delay, std::uint32_t resolution, TimerProc proc,
                                   void* user, TimerKind kind) = 0;
    // Cancels event `id`: 0 when cancelled. After a successful return no callback of that id runs
    // or will run, except that a callback may kill its own event from inside itself.
    virtual std::uint32_t KillEvent(std::uint32_t id) = 0;
};
