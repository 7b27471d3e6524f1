#include "saver/frametimer.h"

FrameTimer::FrameTimer(TimerService& service) : Service(service) {
    Caps = Service.GetDevCaps();
    Service.BeginPeriod(Caps.PeriodMin);
    DelayMs = static_cast<std::int32_t>(Caps.PeriodMax);
    ResolutionMs = static_cast<std::int32_t>(Caps.PeriodMin);
    Kind = TimerKind::Periodic;
    Armed = false;
}

FrameTimer::~FrameTimer() {
    if (Running()) Stop();
    Service.EndPeriod(Caps.PeriodMin);
}

std::int32_t FrameTimer::Clamp(std::int32_t value) const {
    const auto lo = static_cast<std::int32_t>(Caps.PeriodMin);
    const auto hi = static_cast<std::int32_t>(Caps.PeriodMax);
    if (value < lo) return lo;
    if (value > hi) return hi;
    return value;
}

bool FrameTimer::Start() {
    if (Handler == nullptr) return false;
    // Running is claimed before arming: the event may fire before the platform call returns (the
    // arming thread descheduled for longer than the delay), and its handler must then see the
    // timer running, so that its own Start arms no second event and a one-shot's end is not
    // overwritten afterwards. The claim also keeps two threads from arming at once.
    bool idle = false;
    if (!Armed.compare_exchange_strong(idle, true, std::memory_order_acq_rel)) return false;
    const std::uint32_t id = Service.SetEvent(static_cast<std::uint32_t>(DelayMs),
                                              static_cast<std::uint32_t>(ResolutionMs),
                                              &FrameTimer::TimerCallback, this, Kind);
    Id.store(id, std::memory_order_release);
    if (id == 0) Armed.store(false, std::memory_order_release);
    return id != 0;
}

bool FrameTimer::Stop() {
    const std::uint32_t r = Service.KillEvent(Id.load(std::memory_order_acquire));
    if (r == 0) Armed.store(false, std::memory_order_release);
    return r == 0;
}

void FrameTimer::TimerCallback(void* user) {
    auto& timer = *static_cast<FrameTimer*>(user);
    if (timer.Handler != nullptr) timer.Handler(timer.Context, timer);
    if (timer.Kind == TimerKind::OneShot) timer.Armed.store(false, std::memory_order_release);
}
