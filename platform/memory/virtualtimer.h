// VirtualTimerService and FixedClock: time that moves only when a test or the recorder says so.
#pragma once

#include <cstdint>

#include "platform/random.h"
#include "platform/timer.h"

// Events fire on the caller's thread inside AdvanceTo, in time order, each at its own due time.
class VirtualTimerService final : public TimerService {
  public:
    TimerCaps GetDevCaps() override { return caps_; }
    void BeginPeriod(std::uint32_t period) override { beginPeriods_ += period != 0 ? 1 : 0; }
    void EndPeriod(std::uint32_t period) override { endPeriods_ += period != 0 ? 1 : 0; }
    std::uint32_t SetEvent(std::uint32_t delay, std::uint32_t resolution, TimerProc proc,
                           void* user, TimerKind kind) override;
    std::uint32_t KillEvent(std::uint32_t id) override;

    // Runs every event due up to `time` (ms), and sets the clock to it.
    void AdvanceTo(std::int64_t time);
    std::int64_t Now() const { return now_; }
    void SetNow(std::int64_t time) { now_ = time; }

    // Test controls.
    void SetCaps(TimerCaps caps) { caps_ = caps; }
    void FailNextSetEvent() { failSet_ = true; }
    int ArmedCount() const;
    int BeginPeriods() const { return beginPeriods_; }
    int EndPeriods() const { return endPeriods_; }
    std::uint32_t LastDelay() const { return lastDelay_; }
    std::uint32_t LastResolution() const { return lastResolution_; }
    std::uint32_t LastKilled() const { return lastKilled_; }

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
    Event events_[kSlots];
    TimerCaps caps_;
    std::int64_t now_ = 0;
    std::uint32_t nextId_ = 1;
    bool failSet_ = false;
    int beginPeriods_ = 0, endPeriods_ = 0;
    std::uint32_t lastDelay_ = 0, lastResolution_ = 0, lastKilled_ = 0;
};

class FixedClock final : public Clock {
  public:
    explicit FixedClock(std::uint32_t ms = 0) : ms_(ms) {}
    std::uint32_t MillisecondsSinceMidnight() override { return ms_; }
    void Set(std::uint32_t ms) { ms_ = ms; }

  private:
    std::uint32_t ms_;
};
