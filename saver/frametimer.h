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
        Handler = handler;
        Context = context;
    }
    void SetEventType(TimerKind kind) { Kind = kind; }
    void SetDelay(std::int32_t value) { DelayMs = Clamp(value); }
    void SetResolution(std::int32_t value) { ResolutionMs = Clamp(value); }

    TimerKind EventType() const { return Kind; }
    std::int32_t Delay() const { return DelayMs; }
    std::int32_t Resolution() const { return ResolutionMs; }
    bool Running() const { return Armed.load(std::memory_order_acquire); }
    std::uint32_t TimerID() const { return Id.load(std::memory_order_acquire); }
    TimerCaps TimeCaps() const { return Caps; }

  private:
    static void TimerCallback(void* user);
    std::int32_t Clamp(std::int32_t value) const;

    TimerService& Service;
    TimerCaps Caps;
    TimerKind Kind = TimerKind::Periodic;
    std::int32_t DelayMs = 0;
    std::int32_t ResolutionMs = 0;
    Callback Handler = nullptr;
    void* Context = nullptr;
    // Start and Stop are called from the window's thread and from frames on the timer thread;
    // atomics keep these flags free of data races.
    std::atomic<bool> Armed{false};
    std::atomic<std::uint32_t> Id{0};
};
