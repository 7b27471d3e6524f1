// ThreadTimerService: the frame timer service on a thread of its own, on the steady clock.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "platform/timer.h"

// A thread that cannot be made (no address space left for its stack) is not thrown out of the
// constructor: the service then arms nothing and Failure() says why.
class ThreadTimerService final : public TimerService {
  public:
    ThreadTimerService();
    ~ThreadTimerService() override;

    // Empty while the timer thread runs; else why it could not start.
    const std::string& Failure() const { return FailureText; }

    TimerCaps GetDevCaps() override { return TimerCaps{1, 1000000}; }
    void BeginPeriod(std::uint32_t) override {}
    void EndPeriod(std::uint32_t) override {}
    std::uint32_t SetEvent(std::uint32_t delay, std::uint32_t resolution, TimerProc proc,
                           void* user, TimerKind kind) override;
    std::uint32_t KillEvent(std::uint32_t id) override;

  private:
    using TimePoint = std::chrono::steady_clock::time_point;
    struct Event {
        std::uint32_t Id = 0;  // 0 = free slot
        TimePoint Due;
        std::chrono::milliseconds Period{0};
        TimerProc Proc = nullptr;
        void* User = nullptr;
        TimerKind Kind = TimerKind::OneShot;
    };
    // A fixed table: arming from inside a callback must not allocate.
    static constexpr int kSlots = 16;

    void Run();

    std::mutex Lock;
    std::condition_variable Wake;      // the timer thread waits for the next due event
    std::condition_variable Finished;  // killers wait for a running callback to return
    Event Events[kSlots];
    std::uint32_t NextId = 1;
    std::uint32_t RunningId = 0;
    void* RunningUser = nullptr;  // the user data of the callback that runs now
    bool Quit = false;
    std::thread Thread;
    std::string FailureText;
};
