// VisibilityGate: the causes that hide the saver, and the frame answers by which a compositor
// shows whether it still shows the drive.
#include "saver/visibilitygate.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using TimePoint = VisibilityGate::TimePoint;

const TimePoint kStart = TimePoint{} + 1000s;

TEST(VisibilityGateCauses, HiddenWhileAnyCauseHoldsAndReportsOnlyTheTurns) {
    VisibilityGate gate;
    EXPECT_TRUE(gate.Seen());
    EXPECT_TRUE(gate.Set(HiddenCause::Covered, true));
    EXPECT_FALSE(gate.Seen());
    // A second cause, and the first one gone: still hidden, no turn reported.
    EXPECT_FALSE(gate.Set(HiddenCause::MonitorsOff, true));
    EXPECT_FALSE(gate.Set(HiddenCause::Covered, false));
    EXPECT_FALSE(gate.Seen());
    EXPECT_TRUE(gate.Holds(HiddenCause::MonitorsOff));
    EXPECT_FALSE(gate.Holds(HiddenCause::Covered));
    // The same state told again is no turn.
    EXPECT_FALSE(gate.Set(HiddenCause::MonitorsOff, true));
    EXPECT_TRUE(gate.Set(HiddenCause::MonitorsOff, false));
    EXPECT_TRUE(gate.Seen());
    EXPECT_FALSE(gate.Set(HiddenCause::Unmapped, false));
}

TEST(VisibilityGateAnswers, NothingIsWatchedBeforeTheFirstQuestion) {
    VisibilityGate gate;
    EXPECT_EQ(gate.AnswerTimeoutMs(kStart), -1);
    EXPECT_FALSE(gate.CheckAnswer(kStart + 10s));
    EXPECT_TRUE(gate.AskDue(kStart));
}

TEST(VisibilityGateAnswers, AnAnswerInTimeKeepsTheDriveSeenAndTheNextQuestionWaitsTheInterval) {
    VisibilityGate gate;
    gate.Asked(kStart);
    EXPECT_FALSE(gate.AskDue(kStart + 1ms));  // one question at a time
    EXPECT_EQ(gate.AnswerTimeoutMs(kStart), 750);
    EXPECT_FALSE(gate.CheckAnswer(kStart + 749ms));
    EXPECT_FALSE(gate.Answered(kStart + 20ms));
    EXPECT_TRUE(gate.Seen());
    EXPECT_FALSE(gate.AskDue(kStart + 269ms));
    EXPECT_EQ(gate.AnswerTimeoutMs(kStart + 20ms), 250);
    EXPECT_TRUE(gate.AskDue(kStart + 270ms));
    EXPECT_EQ(gate.AnswerTimeoutMs(kStart + 300ms), 0);
    // An answered question cannot go unanswered.
    EXPECT_FALSE(gate.CheckAnswer(kStart + 5s));
}

TEST(VisibilityGateAnswers, AQuestionUnansweredTooLongHidesTheDriveUntilItsAnswerComes) {
    VisibilityGate gate;
    gate.Asked(kStart);
    EXPECT_TRUE(gate.CheckAnswer(kStart + 750ms));
    EXPECT_FALSE(gate.Seen());
    EXPECT_TRUE(gate.Holds(HiddenCause::Unanswered));
    // Hidden, nothing is due: no wakeups until the answer, however long that takes, and no
    // second question.
    EXPECT_EQ(gate.AnswerTimeoutMs(kStart + 1s), -1);
    EXPECT_FALSE(gate.CheckAnswer(kStart + 60s));
    EXPECT_FALSE(gate.AskDue(kStart + 60s));
    EXPECT_TRUE(gate.Answered(kStart + 61s));
    EXPECT_TRUE(gate.Seen());
}

TEST(VisibilityGateAnswers, TheAnswerDoesNotReviveADriveHiddenForAnotherCause) {
    VisibilityGate gate;
    gate.Asked(kStart);
    EXPECT_TRUE(gate.CheckAnswer(kStart + 1s));
    EXPECT_FALSE(gate.Set(HiddenCause::Unmapped, true));
    EXPECT_FALSE(gate.Answered(kStart + 2s));
    EXPECT_FALSE(gate.Seen());
    EXPECT_TRUE(gate.Set(HiddenCause::Unmapped, false));
}

TEST(VisibilityGateAnswers, AskingAgainWhileAQuestionIsOutKeepsItsOwnTime) {
    VisibilityGate gate;
    gate.Asked(kStart);
    gate.Asked(kStart + 700ms);
    EXPECT_TRUE(gate.CheckAnswer(kStart + 760ms));
}

}  // namespace
