// The frame timer component: start and stop results, clamping, one-shot and periodic events.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/memory/virtualtimer.h"
#include "saver/frametimer.h"

namespace {

struct Counter {
    int Calls = 0;
    bool StopInside = false;
    bool StartInside = false;
    static void OnTimer(void* context, FrameTimer& sender) {
        auto& c = *static_cast<Counter*>(context);
        ++c.Calls;
        if (c.StopInside) sender.Stop();
        if (c.StartInside) sender.Start();
    }
};

struct FrameTimerTest : ::testing::Test {
    VirtualTimerService service;
    Counter counter;
    void SetUp() override { service.SetCaps(TimerCaps{1, 1000000}); }
};

TEST_F(FrameTimerTest, ConstructionRaisesTheResolutionAndDestructionLowersItAfterStopping) {
    {
        FrameTimer timer(service);
        EXPECT_EQ(service.BeginPeriods(), 1);
        EXPECT_EQ(timer.Delay(), 1000000);
        EXPECT_EQ(timer.Resolution(), 1);
        EXPECT_EQ(timer.EventType(), TimerKind::Periodic);
        timer.SetOnTimer(&Counter::OnTimer, &counter);
        timer.SetDelay(10);
        ASSERT_TRUE(timer.Start());
        EXPECT_EQ(service.ArmedCount(), 1);
    }
    EXPECT_EQ(service.ArmedCount(), 0) << "destroyed while armed: cancelled";
    EXPECT_EQ(service.EndPeriods(), 1);
}

TEST_F(FrameTimerTest, StartWithoutHandlerOrTwiceArmsNothingMore) {
    FrameTimer timer(service);
    EXPECT_FALSE(timer.Start());
    EXPECT_EQ(service.ArmedCount(), 0);
    timer.SetOnTimer(&Counter::OnTimer, &counter);
    EXPECT_TRUE(timer.Start());
    EXPECT_FALSE(timer.Start());
    EXPECT_EQ(service.ArmedCount(), 1);
    EXPECT_TRUE(timer.Running());
}

TEST_F(FrameTimerTest, FailedArmingLeavesItIdleWithIdZero) {
    FrameTimer timer(service);
    timer.SetOnTimer(&Counter::OnTimer, &counter);
    service.FailNextSetEvent();
    EXPECT_FALSE(timer.Start());
    EXPECT_FALSE(timer.Running());
    EXPECT_EQ(timer.TimerID(), 0u);
}

TEST_F(FrameTimerTest, StopWhenNothingIsArmedStillCancelsTheLastIdAndFails) {
    FrameTimer timer(service);
    timer.SetOnTimer(&Counter::OnTimer, &counter);
    timer.SetDelay(5);
    ASSERT_TRUE(timer.Start());
    const std::uint32_t id = timer.TimerID();
    EXPECT_TRUE(timer.Stop());
    EXPECT_FALSE(timer.Running());
    EXPECT_FALSE(timer.Stop());
    EXPECT_EQ(service.LastKilled(), id);
    EXPECT_EQ(timer.TimerID(), id) << "the id is kept after the stop";
}

TEST_F(FrameTimerTest, DelayAndResolutionAreClampedToTheCaps) {
    service.SetCaps(TimerCaps{2, 500});
    FrameTimer timer(service);
    timer.SetDelay(1);
    EXPECT_EQ(timer.Delay(), 2);
    timer.SetDelay(-7);
    EXPECT_EQ(timer.Delay(), 2);
    timer.SetDelay(501);
    EXPECT_EQ(timer.Delay(), 500);
    timer.SetDelay(30);
    EXPECT_EQ(timer.Delay(), 30);
    timer.SetResolution(0);
    EXPECT_EQ(timer.Resolution(), 2);
    timer.SetResolution(9999);
    EXPECT_EQ(timer.Resolution(), 500);
}

TEST_F(FrameTimerTest, PeriodicEventsFireEveryDelayUntilStopped) {
    FrameTimer timer(service);
    timer.SetOnTimer(&Counter::OnTimer, &counter);
    timer.SetDelay(30);
    timer.SetResolution(1);
    ASSERT_TRUE(timer.Start());
    EXPECT_EQ(service.LastDelay(), 30u);
    EXPECT_EQ(service.LastResolution(), 1u);
    service.AdvanceTo(95);
    EXPECT_EQ(counter.Calls, 3);
    EXPECT_TRUE(timer.Running());
    timer.Stop();
    service.AdvanceTo(500);
    EXPECT_EQ(counter.Calls, 3);
}

TEST_F(FrameTimerTest, OneShotClearsRunningAfterItsCallbackSoItCanStartAgain) {
    FrameTimer timer(service);
    timer.SetOnTimer(&Counter::OnTimer, &counter);
    timer.SetEventType(TimerKind::OneShot);
    timer.SetDelay(10);
    ASSERT_TRUE(timer.Start());
    service.AdvanceTo(100);
    EXPECT_EQ(counter.Calls, 1);
    EXPECT_FALSE(timer.Running());
    EXPECT_TRUE(timer.Start());
}

TEST_F(FrameTimerTest, FrameBracketStopThenStartFiresOncePerPeriodAfterTheFrame) {
    FrameTimer timer(service);
    counter.StopInside = counter.StartInside = true;
    timer.SetOnTimer(&Counter::OnTimer, &counter);
    timer.SetDelay(25);
    ASSERT_TRUE(timer.Start());
    service.AdvanceTo(100);
    EXPECT_EQ(counter.Calls, 4);
    EXPECT_EQ(service.ArmedCount(), 1) << "never more than one event armed";
}

TEST_F(FrameTimerTest, NewDelayTakesEffectAtTheNextStart) {
    FrameTimer timer(service);
    timer.SetOnTimer(&Counter::OnTimer, &counter);
    timer.SetDelay(10);
    ASSERT_TRUE(timer.Start());
    timer.SetDelay(100);
    service.AdvanceTo(50);
    EXPECT_EQ(counter.Calls, 5);
    timer.Stop();
    timer.Start();
    service.AdvanceTo(149);
    EXPECT_EQ(counter.Calls, 5);
    service.AdvanceTo(150);
    EXPECT_EQ(counter.Calls, 6);
}

// A platform timer whose first event fires on its own thread before SetEvent has even returned
// (the arming thread was descheduled for longer than the delay). SetEvent waits up to a limit for
// that callback to finish, so the race is the same on every run.
class EagerTimerService final : public TimerService {
  public:
    ~EagerTimerService() override {
        if (Thread.joinable()) Thread.join();
    }
    TimerCaps GetDevCaps() override { return TimerCaps{1, 1000}; }
    void BeginPeriod(std::uint32_t) override {}
    void EndPeriod(std::uint32_t) override {}
    std::uint32_t SetEvent(std::uint32_t, std::uint32_t, TimerProc proc, void* user,
                           TimerKind kind) override {
        std::unique_lock guard(Lock);
        const std::uint32_t id = NextId++;
        if (kind == TimerKind::Periodic) Armed[ArmedTotal++] = id;
        if (id == 1) {
            Thread = std::thread([this, proc, user] {
                proc(user);
                std::lock_guard g(Lock);
                Fired = true;
                Done.notify_all();
            });
            Done.wait_for(guard, std::chrono::milliseconds(150), [this] { return Fired; });
        }
        return id;
    }
    std::uint32_t KillEvent(std::uint32_t id) override {
        std::lock_guard guard(Lock);
        for (int i = 0; i < ArmedTotal; ++i)
            if (Armed[i] == id) {
                Armed[i] = Armed[--ArmedTotal];
                return 0;
            }
        return 1;
    }
    void WaitForFirstEvent() {
        if (Thread.joinable()) Thread.join();
    }
    int ArmedCount() {
        std::lock_guard guard(Lock);
        return ArmedTotal;
    }

  private:
    std::mutex Lock;
    std::condition_variable Done;
    std::thread Thread;
    std::uint32_t NextId = 1;
    std::uint32_t Armed[8] = {};
    int ArmedTotal = 0;
    bool Fired = false;
};

TEST(FrameTimerArming, AnEventFiringBeforeStartReturnsLeavesTheFrameBracketWithOneEvent) {
    EagerTimerService service;
    Counter counter;
    counter.StopInside = counter.StartInside = true;
    FrameTimer timer(service);
    timer.SetOnTimer(&Counter::OnTimer, &counter);
    ASSERT_TRUE(timer.Start());
    service.WaitForFirstEvent();
    EXPECT_EQ(counter.Calls, 1);
    EXPECT_EQ(service.ArmedCount(), 1) << "no second event armed by the early frame";
    EXPECT_TRUE(timer.Running());
    EXPECT_TRUE(timer.Stop());
    EXPECT_EQ(service.ArmedCount(), 0) << "nothing left firing after the stop";
}

TEST(FrameTimerArming, OneShotFiringBeforeStartReturnsStillEndsIdle) {
    EagerTimerService service;
    Counter counter;
    FrameTimer timer(service);
    timer.SetOnTimer(&Counter::OnTimer, &counter);
    timer.SetEventType(TimerKind::OneShot);
    ASSERT_TRUE(timer.Start());
    service.WaitForFirstEvent();
    EXPECT_EQ(counter.Calls, 1);
    EXPECT_FALSE(timer.Running()) << "a fired one-shot leaves the timer idle";
    EXPECT_TRUE(timer.Start());
}

}  // namespace
