// SessionLocker: asks the desktop session to lock itself and tells what the session says about
// its lock, for a saver that must leave a locked desktop behind. Calls return at once; answers
// come later, on the window's thread, through SessionLockEvents.
#pragma once

#include <cstdint>

// Why the saver ended without the lock it asked for.
enum class UnlockedEnd : std::uint8_t {
    NotInTime,  // nobody locked the session within the wait
    Unheld,     // the session was said to be locked, but nobody took the keyboard within the wait
    Refused,    // the request could not be made, or the session refused it
};

class SessionLockEvents {
  public:
    virtual ~SessionLockEvents() = default;
    // The session has answered the lock request: taken, or refused (or there was nobody to ask).
    virtual void OnLockRequestAnswered(bool accepted) = 0;
    // The session's own word on whether it is locked.
    virtual void OnSessionLocked(bool locked) = 0;
    // The wake-up asked for with WakeAt is due.
    virtual void OnLockWake() = 0;
};

class SessionLocker {
  public:
    virtual ~SessionLocker() = default;
    // Milliseconds on a clock that never steps back.
    virtual std::uint64_t NowMs() = 0;
    // Asks the session to lock; from then on its answers and its lock state go to `events`,
    // which must outlive the locker's use.
    virtual void RequestLock(SessionLockEvents& events) = 0;
    // One OnLockWake at `atMs` on NowMs's clock, in place of any earlier one; 0 for none.
    virtual void WakeAt(std::uint64_t atMs) = 0;
    // The saver ends without the lock: the user is told why, in one line, and nothing more is
    // reported.
    virtual void EndedUnlocked(UnlockedEnd why) = 0;
};
