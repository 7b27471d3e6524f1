#include "platform/win32/timer.h"

#include "platform/win32/win.h"

#include <mmsystem.h>

namespace {

void CALLBACK Trampoline(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* target = reinterpret_cast<WinmmTimerService::Target*>(user);
    if (TimerProc proc = target->Proc.load(std::memory_order_acquire))
        proc(target->User.load(std::memory_order_acquire));
}

}  // namespace

TimerCaps WinmmTimerService::GetDevCaps() {
    TIMECAPS caps{};
    timeGetDevCaps(&caps, sizeof caps);
    return TimerCaps{caps.wPeriodMin, caps.wPeriodMax};
}

void WinmmTimerService::BeginPeriod(std::uint32_t period) {
    timeBeginPeriod(period);
}

void WinmmTimerService::EndPeriod(std::uint32_t period) {
    timeEndPeriod(period);
}

std::uint32_t WinmmTimerService::SetEvent(std::uint32_t delay, std::uint32_t resolution,
                                          TimerProc proc, void* user, TimerKind kind) {
    Target* target = nullptr;
    for (auto& t : Targets)
        if (t.Proc.load() == proc && t.User.load() == user) target = &t;
    for (int i = 0; target == nullptr && i < kTargets; ++i) {
        TimerProc none = nullptr;
        if (Targets[i].Proc.compare_exchange_strong(none, proc)) {
            Targets[i].User.store(user);
            target = &Targets[i];
        }
    }
    if (target == nullptr) return 0;
    // TIME_KILL_SYNCHRONOUS: once timeKillEvent has returned from another thread no callback of
    // the event runs any more, which is what lets the window close while frames are drawing.
    UINT flags = TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS |
                 (kind == TimerKind::Periodic ? TIME_PERIODIC : TIME_ONESHOT);
    return timeSetEvent(delay, resolution, &Trampoline, reinterpret_cast<DWORD_PTR>(target), flags);
}

std::uint32_t WinmmTimerService::KillEvent(std::uint32_t id) {
    return timeKillEvent(id);
}
