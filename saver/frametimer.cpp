#include "saver/frametimer.h"

FrameTimer::FrameTimer(TimerService& service) : service_(service) {
    caps_ = service_.GetDevCaps();
    service_.BeginPeriod(caps_.PeriodMin);
    delay_ = static_cast<std::int32_t>(caps_.PeriodMax);
    resolution_ = static_cast<std::int32_t>(caps_.PeriodMin);
    eventType_ = TimerKind::Periodic;
    running_ = false;
}

FrameTimer::~FrameTimer() {
    if (Running()) Stop();
    service_.EndPeriod(caps_.PeriodMin);
}

std::int32_t FrameTimer::Clamp(std::int32_t value) const {
    const auto lo = static_cast<std::int32_t>(caps_.PeriodMin);
    const auto hi = static_cast<std::int32_t>(caps_.PeriodMax);
    if (value < lo) return lo;
    if (value > hi) return hi;
    return value;
}

bool FrameTimer::Start() {
    if (onTimer_ == nullptr) return false;
    // Running is claimed before arming: the event may fire before the platform call returns (the
    // arming thread descheduled for longer than the delay), and its handler must then see the
    // timer running, so that its own Start arms no second event and a one-shot's end is not
    // overwritten afterwards. The claim also keeps two threads from arming at once.
    bool idle = false;
    if (!running_.compare_exchange_strong(idle, true, std::memory_order_acq_rel)) return false;
    const std::uint32_t id = service_.SetEvent(static_cast<std::uint32_t>(delay_),
                                                static_cast<std::uint32_t>(resolution_),
                                                &FrameTimer::TimerCallback, this, eventType_);
    timerId_.store(id, std::memory_order_release);
    if (id == 0) running_.store(false, std::memory_order_release);
    return id != 0;
}

bool FrameTimer::Stop() {
    const std::uint32_t r = service_.KillEvent(timerId_.load(std::memory_order_acquire));
    if (r == 0) running_.store(false, std::memory_order_release);
    return r == 0;
}

void FrameTimer::TimerCallback(void* user) {
    auto& timer = *static_cast<FrameTimer*>(user);
    if (timer.onTimer_ != nullptr) timer.onTimer_(timer.context_, timer);
    if (timer.eventType_ == TimerKind::OneShot) timer.running_.store(false, std::memory_order_release);
}
