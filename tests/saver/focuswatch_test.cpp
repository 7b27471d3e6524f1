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
    watch.Asked(kStart + 10s);  // the frames' own questions, for the sight of the saver
    EXPECT_FALSE(watch.Answered());
}

TEST(FocusWatch, AFrameShownOnceTheKeyboardHasBeenAwayAWhileEndsTheSaver) {
    FocusWatch watch;
    watch.Entered();
    watch.Left(kStart);  // the overview opened over it
    EXPECT_FALSE(watch.AskNow(kStart + kSettle - 1ms));
    EXPECT_EQ(watch.TimeoutMs(kStart + 100ms), (kSettle - 100ms).count());
    ASSERT_TRUE(watch.AskNow(kStart + kSettle));
    EXPECT_EQ(watch.TimeoutMs(kStart + kSettle), 0);
    watch.Asked(kStart + kSettle);
    EXPECT_FALSE(watch.AskNow(kStart + kSettle + 1s));
    EXPECT_EQ(watch.TimeoutMs(kStart + kSettle), -1);
    EXPECT_TRUE(watch.Answered());
}

TEST(FocusWatch, AnAnswerToAFrameAskedBeforeTheSettlingTimeSaysNothing) {
    // A locker takes the keyboard a moment before its first frame covers the saver: a frame
    // answered in that moment does not end the saver under it.
    FocusWatch watch;
    watch.Entered();
    watch.Asked(kStart - 100ms);
    watch.Left(kStart);
    EXPECT_FALSE(watch.Answered());
    watch.Asked(kStart + 10ms);
    EXPECT_FALSE(watch.Answered());
    ASSERT_TRUE(watch.AskNow(kStart + kSettle));  // so another frame is asked then
    watch.Asked(kStart + kSettle);
    EXPECT_TRUE(watch.Answered());
}

TEST(FocusWatch, TheKeyboardBackBeforeTheAnswerKeepsTheSaver) {
    // A workspace left and shown again, or a locker that covered the saver and went: the
    // question went unanswered while it was hidden, and the keyboard is back when it is answered.
    FocusWatch watch;
    watch.Entered();
    watch.Left(kStart);
    watch.Asked(kStart + kSettle);
    watch.Entered();
    EXPECT_FALSE(watch.Answered());
    EXPECT_FALSE(watch.AskNow(kStart + 10s));
    // Gone again later: the settling time starts anew.
    watch.Left(kStart + 20s);
    EXPECT_FALSE(watch.Answered());
    EXPECT_FALSE(watch.AskNow(kStart + 20s));
    EXPECT_TRUE(watch.AskNow(kStart + 20s + kSettle));
}

}  // namespace
