#include "idle/inhibitionasker.h"

#include <gtest/gtest.h>

namespace {

using Next = InhibitionAsker::Next;

TEST(InhibitionAsker, TheAnswerSaysWhetherInhibitedAndAFailedOneSaysNot) {
    InhibitionAsker asker;
    EXPECT_FALSE(asker.Inhibited());
    ASSERT_EQ(asker.AgentCame(), Next::Ask);
    EXPECT_TRUE(asker.Asking());
    EXPECT_EQ(asker.Answered(true), Next::Wait);
    EXPECT_TRUE(asker.Inhibited());
    EXPECT_FALSE(asker.Asking());
    // No answer in time, or an error: not inhibited, and no asking in a loop.
    ASSERT_EQ(asker.Changed(), Next::Ask);
    EXPECT_EQ(asker.Answered(std::nullopt), Next::Wait);
    EXPECT_FALSE(asker.Inhibited());
}

TEST(InhibitionAsker, ChangesToldWhileAQuestionIsOutAskOnceMoreAfterItsAnswer) {
    InhibitionAsker asker;
    ASSERT_EQ(asker.AgentCame(), Next::Ask);
    // Two changes while the first question is out: one question more, not two, and not now.
    EXPECT_EQ(asker.Changed(), Next::Wait);
    EXPECT_EQ(asker.Changed(), Next::Wait);
    // The first answer may predate the changes: it is taken, and asked again.
    EXPECT_EQ(asker.Answered(true), Next::Ask);
    EXPECT_TRUE(asker.Inhibited());
    EXPECT_EQ(asker.Answered(false), Next::Wait);
    EXPECT_FALSE(asker.Inhibited());
    EXPECT_FALSE(asker.Asking());
}

TEST(InhibitionAsker, AnAgentThatLeavesInhibitsNothingAndItsLateAnswerIsDropped) {
    InhibitionAsker asker;
    asker.AgentCame();
    asker.Answered(true);
    ASSERT_EQ(asker.Changed(), Next::Ask);
    asker.Changed();  // a second change pending behind the question
    asker.AgentGone();
    EXPECT_FALSE(asker.Inhibited());
    EXPECT_FALSE(asker.Asking());
    EXPECT_EQ(asker.Answered(true), Next::Wait) << "nobody asked any more";
    EXPECT_FALSE(asker.Inhibited());
    // A new agent is asked from scratch.
    EXPECT_EQ(asker.AgentCame(), Next::Ask);
    EXPECT_EQ(asker.Answered(true), Next::Wait);
    EXPECT_TRUE(asker.Inhibited());
}

}  // namespace
