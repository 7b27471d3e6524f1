#include "saver/returnlock.h"

void ReturnLock::Start(bool secure, std::uint64_t graceMs, std::uint64_t nowMs,
                       bool awaitKeyboard) {
    HowEnded = ReturnLockEnd::None;
    Deadline = 0;
    AwaitKeyboard = awaitKeyboard;
    KeyboardElsewhere = false;
    SaidLocked = false;
    CoveredOnce = false;
    ArmedAt = nowMs + graceMs;
    Current = !secure        ? ReturnLockState::Off
              : graceMs == 0 ? ReturnLockState::Armed
                             : ReturnLockState::InGrace;
}

ReturnLockAction ReturnLock::Finish(ReturnLockEnd how) {
    Current = ReturnLockState::Done;
    HowEnded = how;
    return ReturnLockAction::EndSaver;
}

ReturnLockAction ReturnLock::Tick(std::uint64_t nowMs) {
    if (Current == ReturnLockState::InGrace && nowMs >= ArmedAt) Current = ReturnLockState::Armed;
    if (Current == ReturnLockState::Locking && nowMs >= Deadline)
        return Finish(SaidLocked || CoveredOnce ? ReturnLockEnd::Unheld : ReturnLockEnd::TimedOut);
    return ReturnLockAction::None;
}

ReturnLockAction ReturnLock::Input(std::uint64_t nowMs) {
    // The clock first: a wait that ran out ends the saver even if no tick came in time.
    if (Tick(nowMs) == ReturnLockAction::EndSaver) return ReturnLockAction::EndSaver;
    switch (Current) {
        case ReturnLockState::Off:
        case ReturnLockState::InGrace:
            return Finish(ReturnLockEnd::None);
        case ReturnLockState::Armed:
            Current = ReturnLockState::Locking;
            Deadline = nowMs + kLockWaitMs;
            return ReturnLockAction::RequestLock;
        case ReturnLockState::Locking:
            // Keys typed after the first must not reach a desktop that is not locked yet.
            return ReturnLockAction::None;
        case ReturnLockState::Done:
            break;
    }
    return ReturnLockAction::EndSaver;
}

ReturnLockAction ReturnLock::RequestAnswered(bool accepted) {
    if (Current != ReturnLockState::Locking || accepted) return ReturnLockAction::None;
    // Waiting for a lock nobody was asked for would only keep the user out.
    return Finish(ReturnLockEnd::Refused);
}

ReturnLockAction ReturnLock::LockHolds() {
    if (Current != ReturnLockState::Locking || !(SaidLocked || CoveredOnce) ||
        (AwaitKeyboard && !KeyboardElsewhere))
        return ReturnLockAction::None;
    return Finish(ReturnLockEnd::Locked);
}

ReturnLockAction ReturnLock::SessionLocked(bool locked) {
    if (Current != ReturnLockState::Locking) return ReturnLockAction::None;
    SaidLocked = locked;
    return LockHolds();
}

ReturnLockAction ReturnLock::Covered() {
    if (Current != ReturnLockState::Locking) return ReturnLockAction::None;
    CoveredOnce = true;
    return LockHolds();
}

ReturnLockAction ReturnLock::KeyboardTaken(bool taken) {
    if (Current == ReturnLockState::Done) return ReturnLockAction::None;
    KeyboardElsewhere = taken;
    return LockHolds();
}
