// ReturnLock: when input ends the saver at once, when it asks for the lock first, and how the
// wait for the lock ends.
#include "saver/returnlock.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint64_t kStart = 1'000'000;

class ReturnLockTest : public ::testing::Test {
  protected:
    // On, with `graceMs`, started at kStart; then input at `inputAt`: the lock is asked for.
    // With `awaitKeyboard`, the lock holds only once another program has the keyboard.
    void Locking(std::uint64_t graceMs = 5000, std::uint64_t inputAt = kStart + 6000,
                 bool awaitKeyboard = false) {
        lock.Start(true, graceMs, kStart, awaitKeyboard);
        ASSERT_EQ(lock.Input(inputAt), ReturnLockAction::RequestLock);
        ASSERT_EQ(lock.State(), ReturnLockState::Locking);
    }
    ReturnLock lock;
};

TEST_F(ReturnLockTest, OffInputEndsAtOnceAndNeverAsksForTheLock) {
    lock.Start(false, 0, kStart);
    EXPECT_EQ(lock.State(), ReturnLockState::Off);
    EXPECT_EQ(lock.Tick(kStart + 60'000), ReturnLockAction::None);
    EXPECT_EQ(lock.Input(kStart + 60'000), ReturnLockAction::EndSaver);
    EXPECT_EQ(lock.End(), ReturnLockEnd::None);
}

TEST_F(ReturnLockTest, InputWithinTheGracePeriodEndsPlainly) {
    lock.Start(true, 5000, kStart);
    EXPECT_EQ(lock.State(), ReturnLockState::InGrace);
    EXPECT_EQ(lock.Input(kStart + 4999), ReturnLockAction::EndSaver);
    EXPECT_EQ(lock.State(), ReturnLockState::Done);
    EXPECT_EQ(lock.End(), ReturnLockEnd::None);
}

TEST_F(ReturnLockTest, GracePeriodOverArmsWithOrWithoutATick) {
    lock.Start(true, 5000, kStart);
    lock.Tick(kStart + 5000);
    EXPECT_EQ(lock.State(), ReturnLockState::Armed);
    EXPECT_EQ(lock.Input(kStart + 5001), ReturnLockAction::RequestLock);

    // No tick between the start and the input: the input's own time decides.
    ReturnLock untouched;
    untouched.Start(true, 5000, kStart);
    EXPECT_EQ(untouched.Input(kStart + 5000), ReturnLockAction::RequestLock);
}

TEST_F(ReturnLockTest, NoGracePeriodIsArmedFromTheStart) {
    lock.Start(true, 0, kStart);
    EXPECT_EQ(lock.State(), ReturnLockState::Armed);
    EXPECT_EQ(lock.Input(kStart), ReturnLockAction::RequestLock);
}

TEST_F(ReturnLockTest, InputWhileLockingIsSwallowed) {
    Locking();
    for (int i = 1; i <= 20; ++i)
        EXPECT_EQ(lock.Input(kStart + 6000 + 200 * i), ReturnLockAction::None);
    EXPECT_EQ(lock.State(), ReturnLockState::Locking);
}

TEST_F(ReturnLockTest, SessionLockedEndsTheWait) {
    Locking();
    EXPECT_EQ(lock.RequestAnswered(true), ReturnLockAction::None);
    EXPECT_EQ(lock.SessionLocked(false), ReturnLockAction::None);
    EXPECT_EQ(lock.SessionLocked(true), ReturnLockAction::EndSaver);
    EXPECT_EQ(lock.End(), ReturnLockEnd::Locked);
    EXPECT_EQ(lock.WakeAtMs(), 0u);
}

TEST_F(ReturnLockTest, CoveredByALockerEndsTheWait) {
    Locking();
    EXPECT_EQ(lock.Covered(), ReturnLockAction::EndSaver);
    EXPECT_EQ(lock.End(), ReturnLockEnd::Locked);
}

TEST_F(ReturnLockTest, WhereTheKeyboardIsAwaitedTheLockHoldsOnlyWithIt) {
    // The session says it is locked, then a locker takes the keyboard.
    Locking(0, kStart, true);
    EXPECT_EQ(lock.SessionLocked(true), ReturnLockAction::None);
    EXPECT_EQ(lock.Input(kStart + 100), ReturnLockAction::None);
    EXPECT_EQ(lock.State(), ReturnLockState::Locking);
    EXPECT_EQ(lock.KeyboardTaken(true), ReturnLockAction::EndSaver);
    EXPECT_EQ(lock.End(), ReturnLockEnd::Locked);

    // The keyboard first, even before the lock was asked for; a grab alone is no lock.
    lock.Start(true, 0, kStart, true);
    EXPECT_EQ(lock.KeyboardTaken(true), ReturnLockAction::None);
    ASSERT_EQ(lock.Input(kStart), ReturnLockAction::RequestLock);
    EXPECT_EQ(lock.RequestAnswered(true), ReturnLockAction::None);
    EXPECT_EQ(lock.State(), ReturnLockState::Locking);
    EXPECT_EQ(lock.SessionLocked(true), ReturnLockAction::EndSaver);

    // A covering window counts as the session's word does.
    Locking(0, kStart, true);
    EXPECT_EQ(lock.Covered(), ReturnLockAction::None);
    EXPECT_EQ(lock.KeyboardTaken(true), ReturnLockAction::EndSaver);
}

TEST_F(ReturnLockTest, AKeyboardGivenBackOrALockTakenBackIsWaitedForAgain) {
    Locking(0, kStart, true);
    EXPECT_EQ(lock.KeyboardTaken(true), ReturnLockAction::None);
    EXPECT_EQ(lock.KeyboardTaken(false), ReturnLockAction::None);
    EXPECT_EQ(lock.SessionLocked(true), ReturnLockAction::None);
    EXPECT_EQ(lock.SessionLocked(false), ReturnLockAction::None);
    EXPECT_EQ(lock.KeyboardTaken(true), ReturnLockAction::None);
    EXPECT_EQ(lock.State(), ReturnLockState::Locking);
    EXPECT_EQ(lock.SessionLocked(true), ReturnLockAction::EndSaver);
    // A new run forgets who held the keyboard in the last.
    lock.Start(true, 0, kStart + 10'000, true);
    ASSERT_EQ(lock.Input(kStart + 10'000), ReturnLockAction::RequestLock);
    EXPECT_EQ(lock.SessionLocked(true), ReturnLockAction::None);
}

TEST_F(ReturnLockTest, TheKeyboardNeverTakenStillEndsAfterTheWaitAndSaysWhatWasMissing) {
    Locking(0, kStart, true);
    EXPECT_EQ(lock.SessionLocked(true), ReturnLockAction::None);
    EXPECT_EQ(lock.Tick(kStart + ReturnLock::kLockWaitMs - 1), ReturnLockAction::None);
    EXPECT_EQ(lock.Tick(kStart + ReturnLock::kLockWaitMs), ReturnLockAction::EndSaver);
    EXPECT_EQ(lock.End(), ReturnLockEnd::Unheld);
    // Covered, the same; neither said nor covered, the session was not locked at all.
    Locking(0, kStart, true);
    ASSERT_EQ(lock.Covered(), ReturnLockAction::None);
    ASSERT_EQ(lock.Tick(kStart + ReturnLock::kLockWaitMs), ReturnLockAction::EndSaver);
    EXPECT_EQ(lock.End(), ReturnLockEnd::Unheld);
    Locking(0, kStart, true);
    ASSERT_EQ(lock.KeyboardTaken(true), ReturnLockAction::None);
    ASSERT_EQ(lock.Tick(kStart + ReturnLock::kLockWaitMs), ReturnLockAction::EndSaver);
    EXPECT_EQ(lock.End(), ReturnLockEnd::TimedOut);
}

TEST_F(ReturnLockTest, NobodyLockingEndsUnlockedAfterTheWait) {
    Locking(5000, kStart + 6000);
    EXPECT_EQ(lock.WakeAtMs(), kStart + 6000 + ReturnLock::kLockWaitMs);
    EXPECT_EQ(lock.Tick(kStart + 6000 + ReturnLock::kLockWaitMs - 1), ReturnLockAction::None);
    EXPECT_EQ(lock.Tick(kStart + 6000 + ReturnLock::kLockWaitMs), ReturnLockAction::EndSaver);
    EXPECT_EQ(lock.End(), ReturnLockEnd::TimedOut);
}

TEST_F(ReturnLockTest, InputAfterAMissedWakeStillEndsTheWait) {
    Locking();
    EXPECT_EQ(lock.Input(kStart + 6000 + ReturnLock::kLockWaitMs + 10), ReturnLockAction::EndSaver);
    EXPECT_EQ(lock.End(), ReturnLockEnd::TimedOut);
}

TEST_F(ReturnLockTest, RefusedRequestEndsUnlockedAtOnce) {
    Locking();
    EXPECT_EQ(lock.RequestAnswered(false), ReturnLockAction::EndSaver);
    EXPECT_EQ(lock.End(), ReturnLockEnd::Refused);
}

TEST_F(ReturnLockTest, LockNewsOutsideTheWaitChangesNothing) {
    lock.Start(true, 5000, kStart);
    EXPECT_EQ(lock.SessionLocked(true), ReturnLockAction::None);
    EXPECT_EQ(lock.Covered(), ReturnLockAction::None);
    EXPECT_EQ(lock.RequestAnswered(false), ReturnLockAction::None);
    EXPECT_EQ(lock.State(), ReturnLockState::InGrace);
    // And once decided, a late answer does not decide again.
    Locking();
    ASSERT_EQ(lock.SessionLocked(true), ReturnLockAction::EndSaver);
    EXPECT_EQ(lock.RequestAnswered(false), ReturnLockAction::None);
    EXPECT_EQ(lock.Tick(kStart + 60'000), ReturnLockAction::None);
    EXPECT_EQ(lock.End(), ReturnLockEnd::Locked);
}

TEST_F(ReturnLockTest, AStartAfterAnEndBeginsAfresh) {
    Locking();
    ASSERT_EQ(lock.Covered(), ReturnLockAction::EndSaver);
    lock.Start(true, 1000, kStart + 20'000);
    EXPECT_EQ(lock.State(), ReturnLockState::InGrace);
    EXPECT_EQ(lock.End(), ReturnLockEnd::None);
    EXPECT_EQ(lock.Input(kStart + 20'500), ReturnLockAction::EndSaver);
}

}  // namespace
