#include "platform/memory/virtualtimer.h"

std::uint32_t VirtualTimerService::SetEvent(std::uint32_t delay, std::uint32_t resolution,
                                            TimerProc proc, void* user, TimerKind kind) {
    LastDelayAsked = delay;
    LastResolutionAsked = resolution;
    if (FailSet || proc == nullptr) {
        FailSet = false;
        return 0;
    }
    for (auto& e : Slots) {
        if (e.Id != 0) continue;
        e = Event{NextId++, NowMs + delay, delay, proc, user, kind};
        return e.Id;
    }
    return 0;
}

std::uint32_t VirtualTimerService::KillEvent(std::uint32_t id) {
    LastKilledId = id;
    for (auto& e : Slots) {
        if (id != 0 && e.Id == id) {
            e = Event{};
            return 0;
        }
    }
    return 1;
}

int VirtualTimerService::ArmedCount() const {
    int n = 0;
    for (const auto& e : Slots) n += e.Id != 0 ? 1 : 0;
    return n;
}

void VirtualTimerService::AdvanceTo(std::int64_t time) {
    for (;;) {
        Event* next = nullptr;
        for (auto& e : Slots)
            if (e.Id != 0 && e.Due <= time && (next == nullptr || e.Due < next->Due)) next = &e;
        if (next == nullptr) break;
        NowMs = next->Due;
        const Event fired = *next;
        if (fired.Kind == TimerKind::OneShot)
            *next = Event{};
        else
            next->Due += fired.Period > 0 ? fired.Period : 1;
        fired.Proc(fired.User);
    }
    NowMs = time;
}
