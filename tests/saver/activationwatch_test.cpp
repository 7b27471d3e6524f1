// ActivationWatch: which losses of the activation end the saver.
#include "saver/activationwatch.h"

#include <gtest/gtest.h>

namespace {

ActivationWatch WatchedAndActive() {
    ActivationWatch watch;
    watch.Gained();
    watch.SetWatching(true);
    return watch;
}

TEST(ActivationWatchTest, LossWhileWatchedAndActiveEndsTheSaverOnce) {
    ActivationWatch watch = WatchedAndActive();
    EXPECT_TRUE(watch.Lost());
    EXPECT_FALSE(watch.HasActivation());
    // The same loss reported again (by the application and by the window) ends nothing more.
    EXPECT_FALSE(watch.Lost());
    // Given back and lost again, it counts again.
    watch.Gained();
    EXPECT_TRUE(watch.Lost());
}

TEST(ActivationWatchTest, LossOutsideTheWatchedTimeOrWithoutTheActivationEndsNothing) {
    // During creation: the window had the activation before its show, then lost it.
    ActivationWatch creating;
    creating.Gained();
    EXPECT_FALSE(creating.Lost());
    creating.SetWatching(true);
    EXPECT_FALSE(creating.Lost());  // shown without having got the activation back

    // During the close.
    ActivationWatch closing = WatchedAndActive();
    closing.SetWatching(false);
    EXPECT_FALSE(closing.Lost());
}

TEST(ActivationWatchTest, OwnDialogsHoldTheLossOffUntilTheLastHasClosed) {
    ActivationWatch watch = WatchedAndActive();
    watch.DialogOpened();
    watch.DialogOpened();
    EXPECT_FALSE(watch.Lost());
    watch.Gained();
    watch.DialogClosed();
    EXPECT_FALSE(watch.Lost());
    watch.Gained();
    watch.DialogClosed();
    // A close too many does not leave the count below zero.
    watch.DialogClosed();
    EXPECT_TRUE(watch.Lost());
}

}  // namespace
