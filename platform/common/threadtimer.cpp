#include "platform/common/threadtimer.h"

#include <system_error>

ThreadTimerService::ThreadTimerService() {
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error& e) {
        failure_ = std::string("cannot start the frame timer thread: ") + e.what();
    }
}

ThreadTimerService::~ThreadTimerService() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard guard(lock_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

std::uint32_t ThreadTimerService::SetEvent(std::uint32_t delay, std::uint32_t, TimerProc proc,
                                           void* user, TimerKind kind) {
    if (proc == nullptr || !thread_.joinable()) return 0;
    std::lock_guard guard(lock_);
    for (auto& e : events_) {
        if (e.Id != 0) continue;
        e.Id = nextId_;
        nextId_ = nextId_ == 0xFFFFFFFFu ? 1 : nextId_ + 1;
        e.Period = std::chrono::milliseconds(delay);
        e.Due = std::chrono::steady_clock::now() + e.Period;
        e.Proc = proc;
        e.User = user;
        e.Kind = kind;
        wake_.notify_all();
        return e.Id;
    }
    return 0;
}

std::uint32_t ThreadTimerService::KillEvent(std::uint32_t id) {
    std::unique_lock guard(lock_);
    bool found = false;
    void* user = nullptr;
    for (auto& e : events_) {
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
    if (id != 0 && std::this_thread::get_id() != thread_.get_id())
        finished_.wait(
            guard, [&] { return runningId_ != id && (user == nullptr || runningUser_ != user); });
    wake_.notify_all();
    return found ? 0 : 1;
}

void ThreadTimerService::Run() {
    std::unique_lock guard(lock_);
    while (!quit_) {
        Event* next = nullptr;
        for (auto& e : events_)
            if (e.Id != 0 && (next == nullptr || e.Due < next->Due)) next = &e;
        if (next == nullptr) {
            wake_.wait(guard);
            continue;
        }
        if (std::chrono::steady_clock::now() < next->Due) {
            wake_.wait_until(guard, next->Due);
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
        runningId_ = fired.Id;
        runningUser_ = fired.User;
        guard.unlock();
        fired.Proc(fired.User);
        guard.lock();
        runningId_ = 0;
        runningUser_ = nullptr;
        finished_.notify_all();
    }
}
