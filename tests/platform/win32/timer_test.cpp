// WinmmTimerService and FrameTimer over the real multimedia timer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/win32/timer.h"
#include "saver/frametimer.h"
#include "tests/support/waitfor.h"

namespace {

using namespace std::chrono_literals;

struct Counter {
    std::atomic<int> calls{0};
    static void Tick(void* user) { static_cast<Counter*>(user)->calls.fetch_add(1); }
};

// The multimedia timer is real, so only bounds are tested.
using testwait::ExpectStaysPut;
using testwait::WaitFor;

// One event of a real multimedia timer service, counting its callbacks.
struct CountedEvent {
    WinmmTimerService Timers;
    Counter Count;
    std::uint32_t Id = 0;
    // Arms the event; says whether the service took it (an id other than 0).
    bool Arm(std::uint32_t delay, TimerKind kind) {
        Id = Timers.SetEvent(delay, 1, &Counter::Tick, &Count, kind);
        return Id != 0;
    }
    int Calls() const { return Count.calls.load(); }
};

TEST(WinmmTimerService, CapsGiveAUsablePeriodRange) {
    WinmmTimerService timers;
    TimerCaps caps = timers.GetDevCaps();
    EXPECT_GE(caps.PeriodMin, 1u);
    EXPECT_GE(caps.PeriodMax, caps.PeriodMin);
}

TEST(WinmmTimerService, OneShotEventFiresOnceOnAnotherThread) {
    CountedEvent event;
    ASSERT_TRUE(event.Arm(5, TimerKind::OneShot));
    ASSERT_TRUE(WaitFor([&] { return event.Calls() >= 1; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(event.Calls(), 1);
}

TEST(WinmmTimerService, PeriodicEventRepeatsUntilKilledAndNeverAfter) {
    CountedEvent event;
    ASSERT_TRUE(event.Arm(2, TimerKind::Periodic));
    ASSERT_TRUE(WaitFor([&] { return event.Calls() >= 3; }));
    EXPECT_EQ(event.Timers.KillEvent(event.Id), 0u);
    ExpectStaysPut([&] { return event.Calls(); }, 60ms);
}

TEST(WinmmTimerService, KillingAnEventTwiceFailsTheSecondTime) {
    CountedEvent event;
    ASSERT_TRUE(event.Arm(500, TimerKind::Periodic));
    EXPECT_EQ(event.Timers.KillEvent(event.Id), 0u);
    EXPECT_NE(event.Timers.KillEvent(event.Id), 0u);
}

// The close hand-over relies on this: once KillEvent returns on the window's thread, a callback
// that was running has finished, so nothing draws on a window about to be destroyed.
struct SlowFrame {
    std::atomic<bool> started{false}, finished{false};
    static void Run(void* user) {
        auto& self = *static_cast<SlowFrame*>(user);
        if (self.started.exchange(true)) return;
        std::this_thread::sleep_for(100ms);
        self.finished.store(true);
    }
};

TEST(WinmmTimerService, KillFromAnotherThreadWaitsForTheRunningCallback) {
    WinmmTimerService timers;
    SlowFrame frame;
    std::uint32_t id = timers.SetEvent(1, 1, &SlowFrame::Run, &frame, TimerKind::Periodic);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(WaitFor([&] { return frame.started.load(); }));
    timers.KillEvent(id);
    EXPECT_TRUE(frame.finished.load());
}

struct Rearming {
    std::atomic<int> frames{0};
    std::atomic<bool> closing{false};
    static void Frame(void* context, FrameTimer& sender) {
        auto& self = *static_cast<Rearming*>(context);
        sender.Stop();
        self.frames.fetch_add(1);
        if (!self.closing.load()) sender.Start();
    }
};

TEST(FrameTimerOnWinmm, FramesThatRearmThemselvesRunUntilAClosingFlagAndASecondStop) {
    WinmmTimerService timers;
    Rearming frames;
    FrameTimer timer(timers);
    timer.SetOnTimer(&Rearming::Frame, &frames);
    timer.SetDelay(2);
    timer.SetResolution(1);
    ASSERT_TRUE(timer.Start());
    EXPECT_TRUE(WaitFor([&] { return frames.frames.load() >= 10; }));
    // The window's closing path: no frame re-arms from here on; a frame in progress may still
    // have armed one more event before it saw the flag, so stop until the id stays put.
    frames.closing.store(true);
    std::uint32_t id;
    do {
        id = timer.TimerID();
        timer.Stop();
    } while (timer.TimerID() != id);
    ExpectStaysPut([&] { return frames.frames.load(); }, 60ms);
}

TEST(FrameTimerOnWinmm, DestroyingAnArmedTimerCancelsItsEvent) {
    WinmmTimerService timers;
    Counter counter;
    {
        FrameTimer timer(timers);
        timer.SetOnTimer([](void* c, FrameTimer&) { Counter::Tick(c); }, &counter);
        timer.SetDelay(30);
        ASSERT_TRUE(timer.Start());
    }
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(counter.calls.load(), 0);
}

}  // namespace
