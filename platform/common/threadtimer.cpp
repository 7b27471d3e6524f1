#include "platform/common/threadtimer.h"

#include <system_error>

ThreadTimerService::ThreadTimerService() {
    try {
        Thread = std::thread([this] { Run(); });
    } catch (const std::system_error& e) {
        FailureText = std::string("cannot start the frame timer thread: ") + e.what();
    }
}

ThreadTimerService::~ThreadTimerService() {
    if (!Thread.joinable()) return;
    {
        std::lock_guard guard(Lock);
        Quit = true;
    }
    Wake.notify_all();
    Thread.join();
}

std::uint32_t ThreadTimerService::SetEvent(std::uint32_t delay, std::uint32_t, TimerProc proc,
                                           void* user, TimerKind kind) {
    if (proc == nullptr || !Thread.joinable()) return 0;
    std::lock_guard guard(Lock);
    for (auto& e : Events) {
        if (e.Id != 0) continue;
        e.Id = NextId;
        NextId = NextId == 0xFFFFFFFFu ? 1 : NextId + 1;
        e.Period = std::chrono::milliseconds(delay);
        e.Due = std::chrono::steady_clock::now() + e.Period;
        e.Proc = proc;
        e.User = user;
        e.Kind = kind;
        Wake.notify_all();
        return e.Id;
    }
    return 0;
}

std::uint32_t ThreadTimerService::KillEvent(std::uint32_t id) {
    std::unique_lock guard(Lock);
    bool found = false;
    void* user = nullptr;
    for (auto& e : Events) {
        if (id != 0 && e.Id == id) {
            user = e.User;
            e = Event{};
            found = true;
        }
    }
    // A callback of this event may be running right now, or the callback of an earlier event of
    // the same user that re-armed it and has not yet returned. From another thread, wait for
    // either, so that the caller can rely on no callback for it running after this returns; from
    // inside the callback itself waiting would never end.
    if (id != 0 && std::this_thread::get_id() != Thread.get_id())
        Finished.wait(guard,
                      [&] { return RunningId != id && (user == nullptr || RunningUser != user); });
    Wake.notify_all();
    return found ? 0 : 1;
}

void ThreadTimerService::Run() {
    std::unique_lock guard(Lock);
    while (!Quit) {
        Event* next = nullptr;
        for (auto& e : Events)
            if (e.Id != 0 && (next == nullptr || e.Due < next->Due)) next = &e;
        if (next == nullptr) {
            Wake.wait(guard);
            continue;
        }
        if (std::chrono::steady_clock::now() < next->Due) {
            Wake.wait_until(guard, next->Due);
            continue;  // the table may have changed meanwhile
        }
        const Event fired = *next;
        if (fired.Kind == TimerKind::OneShot) {
            *next = Event{};
        } else {
            next->Due += fired.Period;
            // A periodic event that fell behind (a long callback) does not fire in a burst.
            auto now = std::chrono::steady_clock::now();
            if (next->Due < now) next->Due = now;
        }
        RunningId = fired.Id;
        RunningUser = fired.User;
        guard.unlock();
        fired.Proc(fired.User);
        guard.lock();
        RunningId = 0;
        RunningUser = nullptr;
        Finished.notify_all();
    }
}
