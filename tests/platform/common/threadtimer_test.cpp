// The timer thread: events fire on their own thread about on time, a callback may cancel and
// re-arm its own event, and a cancel from another thread returns only once no callback runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/common/threadtimer.h"
#include "saver/frametimer.h"
#include "tests/support/waitfor.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

using namespace std::chrono_literals;

struct Probe {
    std::atomic<int> Calls{0};
    std::atomic<bool> Inside{false};
    std::atomic<bool> SawOtherThread{false};
    std::thread::id Caller;
    std::chrono::milliseconds Work{0};
};

void Record(void* user) {
    auto& p = *static_cast<Probe*>(user);
    p.Inside = true;
    if (std::this_thread::get_id() != p.Caller) p.SawOtherThread = true;
    if (p.Work.count() > 0) std::this_thread::sleep_for(p.Work);
    ++p.Calls;
    p.Inside = false;
}

using testwait::ExpectStaysPut;
using testwait::WaitFor;

TEST(ThreadTimer, OneShotFiresOnceOnTheTimerThread) {
    ThreadTimerService service;
    Probe p;
    p.Caller = std::this_thread::get_id();
    ASSERT_NE(service.SetEvent(5, 1, &Record, &p, TimerKind::OneShot), 0u);
    ASSERT_TRUE(WaitFor([&] { return p.Calls == 1; }));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(p.Calls, 1);
    EXPECT_TRUE(p.SawOtherThread);
}

TEST(ThreadTimer, PeriodicFiresUntilKilledAndKillOfAnUnknownIdFails) {
    ThreadTimerService service;
    Probe p;
    const std::uint32_t id = service.SetEvent(2, 1, &Record, &p, TimerKind::Periodic);
    ASSERT_TRUE(WaitFor([&] { return p.Calls >= 3; }));
    EXPECT_EQ(service.KillEvent(id), 0u);
    ExpectStaysPut([&] { return p.Calls.load(); }, 20ms);
    EXPECT_NE(service.KillEvent(id), 0u);
    EXPECT_NE(service.KillEvent(0), 0u);
}

TEST(ThreadTimer, KillFromAnotherThreadWaitsForTheRunningCallback) {
    ThreadTimerService service;
    Probe p;
    p.Work = 50ms;
    const std::uint32_t id = service.SetEvent(1, 1, &Record, &p, TimerKind::Periodic);
    ASSERT_TRUE(WaitFor([&] { return p.Inside.load(); }));
    service.KillEvent(id);
    EXPECT_FALSE(p.Inside) << "returned while the callback still ran";
    ExpectStaysPut([&] { return p.Calls.load(); }, 60ms);
}

// A callback that cancels its own event, arms the next one for the same user and then still has
// work to do, as the frame timer's callback does after its handler has re-armed.
struct Rearming {
    ThreadTimerService* Service = nullptr;
    std::atomic<std::uint32_t> Own{0}, Next{0};
    std::atomic<bool> Inside{false};
    static void Fire(void* user) {
        auto& r = *static_cast<Rearming*>(user);
        r.Inside = true;
        r.Service->KillEvent(r.Own);
        r.Next = r.Service->SetEvent(1000, 1, &Rearming::Fire, user, TimerKind::Periodic);
        std::this_thread::sleep_for(50ms);
        r.Inside = false;
    }
};

TEST(ThreadTimer, KillOfAnEventReArmedByARunningCallbackWaitsForThatCallbackToReturn) {
    ThreadTimerService service;
    Rearming r;
    r.Service = &service;
    r.Own = service.SetEvent(20, 1, &Rearming::Fire, &r, TimerKind::Periodic);
    ASSERT_TRUE(WaitFor([&] { return r.Next != 0u; }));
    EXPECT_EQ(service.KillEvent(r.Next), 0u);
    EXPECT_FALSE(r.Inside) << "returned while a callback for the same user still ran";
}

// The frame's own bracket: each callback stops its timer first and re-arms it last.
struct Frames {
    FrameTimer* Timer = nullptr;
    std::atomic<int> Count{0};
    std::atomic<bool> Closing{false};
    static void OnTimer(void* context, FrameTimer& timer) {
        auto& f = *static_cast<Frames*>(context);
        timer.Stop();
        ++f.Count;
        if (!f.Closing) timer.Start();
    }
};

TEST(ThreadTimer, FrameBracketKeepsRunningAtTheDelayAndStopsForGood) {
    ThreadTimerService service;
    FrameTimer timer(service);
    Frames frames;
    frames.Timer = &timer;
    timer.SetOnTimer(&Frames::OnTimer, &frames);
    timer.SetDelay(5);
    timer.SetResolution(1);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(timer.Start());
    ASSERT_TRUE(WaitFor([&] { return frames.Count >= 20; }));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 20 * 5ms) << "never faster than the delay";
    frames.Closing = true;
    timer.Stop();
    const int count = frames.Count;
    std::this_thread::sleep_for(40ms);
    EXPECT_LE(frames.Count, count + 1) << "at most the frame already running when closing began";
}

TEST(ThreadTimer, ManyStartStopCyclesFromTheWindowThreadLeaveNothingArmed) {
    ThreadTimerService service;
    FrameTimer timer(service);
    Frames frames;
    timer.SetOnTimer(&Frames::OnTimer, &frames);
    timer.SetDelay(1);
    for (int i = 0; i < 200; ++i) {
        frames.Closing = false;
        timer.Start();
        std::this_thread::sleep_for(std::chrono::microseconds(300 + (i % 7) * 200));
        frames.Closing = true;
        timer.Stop();
        // A frame in progress may have re-armed just before Closing was seen: stop again.
        timer.Stop();
    }
    ExpectStaysPut([&] { return frames.Count.load(); }, 30ms);
}

#ifndef _WIN32
// In a child process: makes the service with no address space left for a thread's stack and
// exits 3 when it reported that and armed nothing.
[[noreturn]] void StartTimersWithoutAddressSpace() {
    long pages = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    // Room for a little more than there is now, not for a thread's stack of 8 MiB.
    const rlim_t limit = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (4 << 20);
    rlimit saved{};
    getrlimit(RLIMIT_AS, &saved);
    const rlimit space{limit, saved.rlim_max};
    setrlimit(RLIMIT_AS, &space);
    ThreadTimerService timers;
    // The rest of the child (and a sanitizer's report at its exit) has room again.
    setrlimit(RLIMIT_AS, &saved);
    Probe probe;
    const bool armed = timers.SetEvent(10, 1, &Record, &probe, TimerKind::Periodic) != 0;
    std::fprintf(stderr, "%s", timers.Failure().c_str());
    std::exit(!armed && !timers.Failure().empty() ? 3 : 4);
}

// Out of address space for the thread's stack: the service says so instead of throwing out of
// its constructor, and arms nothing.
TEST(ThreadTimerDeathTest, AThreadThatCannotStartIsReportedNotThrown) {
    EXPECT_EXIT(StartTimersWithoutAddressSpace(), ::testing::ExitedWithCode(3), "timer thread");
}
#endif

}  // namespace
