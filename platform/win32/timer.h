// WinmmTimerService: the frame timer service over the multimedia timer (winmm).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/timer.h"

class WinmmTimerService final : public TimerService {
  public:
    TimerCaps GetDevCaps() override;
    void BeginPeriod(std::uint32_t period) override;
    void EndPeriod(std::uint32_t period) override;
    std::uint32_t SetEvent(std::uint32_t delay, std::uint32_t resolution, TimerProc proc,
                           void* user, TimerKind kind) override;
    std::uint32_t KillEvent(std::uint32_t id) override;

    // winmm hands one pointer-sized value to the callback; a fixed table of (proc, user) pairs
    // gives it one without allocating while frames re-arm the timer.
    struct Target {
        std::atomic<TimerProc> Proc{nullptr};
        std::atomic<void*> User{nullptr};
    };

  private:
    static constexpr int kTargets = 8;
    Target Targets[kTargets];
};
