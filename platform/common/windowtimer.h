// WindowTimer: an interval timer run by a window's own event loop (the banner timer), for the
// window systems whose loop waits in poll().
#pragma once

#include <chrono>
#include <cstdint>

class WindowTimer {
  public:
    void Set(bool enabled, std::uint32_t intervalMs) {
        Enabled = enabled;
        if (!enabled) return;
        Interval = std::chrono::milliseconds(intervalMs);
        DueTime = Clock::now() + Interval;
    }
    // True when the timer is due now; its next interval then starts from this due time.
    bool Fire() {
        if (!Enabled || Clock::now() < DueTime) return false;
        DueTime += Interval;
        return true;
    }
    // The poll() timeout until it is due: -1 when off.
    int TimeoutMs() const {
        if (!Enabled) return -1;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(DueTime - Clock::now());
        return left.count() < 0 ? 0 : static_cast<int>(left.count() + 1);
    }

  private:
    using Clock = std::chrono::steady_clock;
    bool Enabled = false;
    std::chrono::milliseconds Interval{0};
    Clock::time_point DueTime;
};
