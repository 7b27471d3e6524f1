// WindowTimer: an interval timer run by a window's own event loop (the banner timer), for the
// window systems whose loop waits in poll().
#pragma once

#include <chrono>
#include <cstdint>

class WindowTimer {
  public:
    void Set(bool enabled, std::uint32_t intervalMs) {
        enabled_ = enabled;
        if (!enabled) return;
        interval_ = std::chrono::milliseconds(intervalMs);
        due_ = Clock::now() + interval_;
    }
    // True when the timer is due now; its next interval then starts from this due time.
    bool Fire() {
        if (!enabled_ || Clock::now() < due_) return false;
        due_ += interval_;
        return true;
    }
    // The poll() timeout until it is due: -1 when off.
    int TimeoutMs() const {
        if (!enabled_) return -1;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(due_ - Clock::now());
        return left.count() < 0 ? 0 : static_cast<int>(left.count() + 1);
    }

  private:
    using Clock = std::chrono::steady_clock;
    bool enabled_ = false;
    std::chrono::milliseconds interval_{0};
    Clock::time_point due_;
};
