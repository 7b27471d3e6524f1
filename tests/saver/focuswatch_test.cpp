// FocusWatch: the saver ends once the compositor shows it a while after the keyboard went
// elsewhere, and only then.
#include "saver/focuswatch.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using TimePoint = FocusWatch::TimePoint;

const TimePoint kStart = TimePoint{} + 1000s;
constexpr auto kSettle = FocusWatch::kSettle;

TEST(FocusWatch, WhileTheKeyboardStaysNothingIsAskedAndNoAnswerEndsTheSaver) {
    FocusWatch watch;
    watch.Entered();
    EXPECT_FALSE(watch.AskNow(kStart + 10s));
    EXPECT_EQ(watch.TimeoutMs(kStart), -1);
    EXPECT_FALSE(watch.Answered(kStart + 10s));  // the frames' own answers, for the sight of it
}

TEST(FocusWatch, AFrameShownOnceTheKeyboardHasBeenAwayAWhileEndsTheSaver) {
    FocusWatch watch;
    watch.Entered();
    watch.Left(kStart);  // the overview opened over it
    EXPECT_FALSE(watch.AskNow(kStart + kSettle - 1ms));
    EXPECT_EQ(watch.TimeoutMs(kStart + 100ms), (kSettle - 100ms).count());
    ASSERT_TRUE(watch.AskNow(kStart + kSettle));
    EXPECT_EQ(watch.TimeoutMs(kStart + kSettle), 0);
    EXPECT_TRUE(watch.Answered(kStart + kSettle + 300ms));
}

TEST(FocusWatch, AnAnswerWithinTheSettlingTimeSaysNothing) {
    // A locker takes the keyboard a moment before its first frame covers the saver: a frame
    // shown in that moment does not end the saver under it.
    FocusWatch watch;
    watch.Entered();
    watch.Left(kStart);
    EXPECT_FALSE(watch.Answered(kStart + 10ms));
    EXPECT_FALSE(watch.Answered(kStart + kSettle - 1ms));
}

TEST(FocusWatch, TheKeyboardMovingBetweenTheSaversWindowsOrComingBackKeepsTheSaver) {
    FocusWatch watch;
    watch.Entered();
    // From a cover to the drive: a leave and an enter at once.
    watch.Left(kStart);
    watch.Entered();
    EXPECT_FALSE(watch.Answered(kStart + 10s));
    EXPECT_EQ(watch.TimeoutMs(kStart + 10s), -1);
    // A workspace left and shown again: the answer comes with the keyboard back.
    watch.Left(kStart + 20s);
    watch.Entered();
    EXPECT_FALSE(watch.Answered(kStart + 30s));
    // A second leave while away does not restart the settling time.
    watch.Left(kStart + 40s);
    watch.Left(kStart + 40s + kSettle - 1ms);
    EXPECT_TRUE(watch.AskNow(kStart + 40s + kSettle));
}

TEST(FocusWatch, ASaverTheKeyboardNeverCameToEndsOnceShownAWhileWithoutIt) {
    // Started under GNOME's overview: shown as a thumbnail, the keys kept for the search.
    constexpr auto kFirst = FocusWatch::kFirstFocus;
    FocusWatch watch;
    watch.Shown(kStart);
    EXPECT_FALSE(watch.AskNow(kStart + kFirst - 1ms));
    EXPECT_FALSE(watch.Answered(kStart + kFirst - 1ms));
    EXPECT_EQ(watch.TimeoutMs(kStart), kFirst.count());
    EXPECT_TRUE(watch.AskNow(kStart + kFirst));
    EXPECT_TRUE(watch.Answered(kStart + kFirst + 100ms));
    // Told again, it keeps its first time.
    watch.Shown(kStart + 10s);
    EXPECT_TRUE(watch.AskNow(kStart + kFirst));
}

TEST(FocusWatch, TheKeyboardComingBeforeOrSoonAfterTheShowKeepsTheSaver) {
    constexpr auto kFirst = FocusWatch::kFirstFocus;
    FocusWatch late;
    late.Shown(kStart);
    late.Entered();
    EXPECT_FALSE(late.Answered(kStart + kFirst + 10s));
    EXPECT_EQ(late.TimeoutMs(kStart + kFirst), -1);

    // Entered while its windows were being made: the show changes nothing.
    FocusWatch early;
    early.Entered();
    early.Shown(kStart);
    EXPECT_FALSE(early.Answered(kStart + kFirst + 10s));
    // A later leave counts the settling time alone.
    early.Left(kStart + 20s);
    EXPECT_TRUE(early.AskNow(kStart + 20s + kSettle));
}

}  // namespace
