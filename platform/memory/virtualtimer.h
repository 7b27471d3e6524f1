// VirtualTimerService and FixedClock: time that moves only when a test or the recorder says so.
#pragma once

#include <cstdint>

#include "platform/random.h"
#include "platform/timer.h"

// Events fire on the caller's thread inside AdvanceTo, in time order, each at its own due time.
class VirtualTimerService final : public TimerService {
  public:
    TimerCaps GetDevCaps() override { return Caps; }
    void BeginPeriod(std::uint32_t period) override { BeginPeriodCount += period != 0 ? 1 : 0; }
    void EndPeriod(std::uint32_t period) override { EndPeriodCount += period != 0 ? 1 : 0; }
    std::uint32_t SetEvent(std::uint32_t delay, std::uint32_t resolution, TimerProc proc,
                           void* user, TimerKind kind) override;
    std::uint32_t KillEvent(std::uint32_t id) override;

    // Runs every event due up to `time` (ms), and sets the clock to it.
    void AdvanceTo(std::int64_t time);
    std::int64_t Now() const { return NowMs; }
    void SetNow(std::int64_t time) { NowMs = time; }

    // Test controls.
    void SetCaps(TimerCaps caps) { Caps = caps; }
    void FailNextSetEvent() { FailSet = true; }
    int ArmedCount() const;
    int BeginPeriods() const { return BeginPeriodCount; }
    int EndPeriods() const { return EndPeriodCount; }
    std::uint32_t LastDelay() const { return LastDelayAsked; }
    std::uint32_t LastResolution() const { return LastResolutionAsked; }
    std::uint32_t LastKilled() const { return LastKilledId; }

  private:
    struct Event {
        std::uint32_t Id = 0;
        std::int64_t Due = 0;
        std::uint32_t Period = 0;
        TimerProc Proc = nullptr;
        void* User = nullptr;
        TimerKind Kind = TimerKind::OneShot;
    };
    static constexpr int kSlots = 16;
    Event Slots[kSlots];
    TimerCaps Caps;
    std::int64_t NowMs = 0;
    std::uint32_t NextId = 1;
    bool FailSet = false;
    int BeginPeriodCount = 0, EndPeriodCount = 0;
    std::uint32_t LastDelayAsked = 0, LastResolutionAsked = 0, LastKilledId = 0;
};

class FixedClock final : public Clock {
  public:
    explicit FixedClock(std::uint32_t ms = 0) : Ms(ms) {}
    std::uint32_t MillisecondsSinceMidnight() override { return Ms; }
    void Set(std::uint32_t ms) { Ms = ms; }

  private:
    std::uint32_t Ms;
};
