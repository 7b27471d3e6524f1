// FrameTimer: the frame timer component over the platform's timer service.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/timer.h"

class FrameTimer {
public:
    using Callback = void (*)(void* context, FrameTimer& sender);

    explicit FrameTimer(TimerService& service);
    ~FrameTimer();
    FrameTimer(const FrameTimer&) = delete;
    FrameTimer& operator=(const FrameTimer&) = delete;

    // Arms one event of kind EventType(); false when no handler is set, one is armed already, or
    // the platform refused.
    bool Start();
    // Cancels the last armed event; true when the platform confirmed.
    bool Stop();

    void SetOnTimer(Callback handler, void* context) {
        onTimer_ = handler;
        context_ = context;
    }
    void SetEventType(TimerKind kind) { eventType_ = kind; }
    void SetDelay(std::int32_t value) { delay_ = Clamp(value); }
    void SetResolution(std::int32_t value) { resolution_ = Clamp(value); }

    TimerKind EventType() const { return eventType_; }
    std::int32_t Delay() const { return delay_; }
    std::int32_t Resolution() const { return resolution_; }
    bool Running() const { return running_.load(std::memory_order_acquire); }
    std::uint32_t TimerID() const { return timerId_.load(std::memory_order_acquire); }
    TimerCaps TimeCaps() const { return caps_; }

private:
    static void TimerCallback(void* user);
    std::int32_t Clamp(std::int32_t value) const;

    TimerService& service_;
    TimerCaps caps_;
    TimerKind eventType_ = TimerKind::Periodic;
    std::int32_t delay_ = 0;
    std::int32_t resolution_ = 0;
    Callback onTimer_ = nullptr;
    void* context_ = nullptr;
    // Start and Stop are called from the window's thread and from frames on the timer thread;
    // atomics keep these flags free of data races.
    std::atomic<bool> running_{false};
    std::atomic<std::uint32_t> timerId_{0};
};
