// ReturnLock: whether input ends the saver at once or first has the session locked, for a user
// who asked for the desktop to be locked when they come back. Time, input and what the session
// says about its lock are fed in; the answer says what the saver does next.
//
//   Off      the option is off: input ends the saver
//   InGrace  the option is on, but the saver started too recently: input ends it
//   Armed    past the grace period: the next input asks the session to lock
//   Locking  the lock has been asked for: input is ignored while the saver still covers the
//            screen, until the session is locked, the request fails, or the wait runs out
//   Done     the end has been decided
//
// Where the window system tells who holds the keyboard (X11), the session saying it is locked,
// or a window covering the saver's, is not enough: a locker started a moment ago has not
// necessarily taken the keyboard yet, and keys typed after the saver went would reach the
// desktop. The saver then also waits for another program to take the keyboard.
#pragma once

#include <cstdint>

enum class ReturnLockState : std::uint8_t { Off, InGrace, Armed, Locking, Done };

// What the saver does after an event.
enum class ReturnLockAction : std::uint8_t {
    None,         // go on as before (input while locking is swallowed)
    EndSaver,     // close now
    RequestLock,  // ask the session to lock, and go on covering the screen
};

// How a locking wait ended.
enum class ReturnLockEnd : std::uint8_t {
    None,      // no lock was asked for
    Locked,    // the session is locked
    TimedOut,  // nobody locked it in time: the saver ends unlocked
    Unheld,    // said to be locked, but nobody took the keyboard in time: the saver ends anyway
    Refused,   // the request could not be made or was refused: the saver ends unlocked
};

class ReturnLock {
  public:
    // How long the saver waits for the lock before it gives up and ends anyway, rather than stay
    // on the screen deaf to input.
    static constexpr std::uint64_t kLockWaitMs = 5000;

    // The saver has started showing at `nowMs`. Off unless `secure`. With `awaitKeyboard`, the
    // lock holds only once KeyboardTaken says so as well.
    void Start(bool secure, std::uint64_t graceMs, std::uint64_t nowMs, bool awaitKeyboard = false);
    // A key, a button or a movement that would end the saver.
    ReturnLockAction Input(std::uint64_t nowMs);
    // Time passes; ends a wait that has run out.
    ReturnLockAction Tick(std::uint64_t nowMs);
    // The answer to the lock request.
    ReturnLockAction RequestAnswered(bool accepted);
    // The session says whether it is locked.
    ReturnLockAction SessionLocked(bool locked);
    // Something now covers the whole saver: a locker's window.
    ReturnLockAction Covered();
    // Another program has taken the keyboard for itself (a locker's grab), or given it back.
    // Heard at any time: a locker may take it before the session says it is locked.
    ReturnLockAction KeyboardTaken(bool taken);

    ReturnLockState State() const { return Current; }
    ReturnLockEnd End() const { return HowEnded; }
    // When a Tick is next needed (only while locking); 0 when none is.
    std::uint64_t WakeAtMs() const { return Current == ReturnLockState::Locking ? Deadline : 0; }

  private:
    ReturnLockAction Finish(ReturnLockEnd how);
    // Ends the wait once the lock is said to hold and, where that is awaited, the keyboard is
    // another program's.
    ReturnLockAction LockHolds();

    ReturnLockState Current = ReturnLockState::Off;
    ReturnLockEnd HowEnded = ReturnLockEnd::None;
    std::uint64_t ArmedAt = 0;
    std::uint64_t Deadline = 0;
    bool AwaitKeyboard = false;
    bool KeyboardElsewhere = false;  // another program holds the keyboard
    bool SaidLocked = false;         // the session's word, which it may take back
    bool CoveredOnce = false;        // a window has covered the saver's
};
