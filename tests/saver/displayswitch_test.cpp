// DisplaySwitch: the display switch's conditions and the modes it sends.
#include "saver/displayswitch.h"

#include <gtest/gtest.h>

#include "tests/saver/fakes.h"

namespace {

class DisplaySwitchTest : public ::testing::Test {
  protected:
    CallLog log;
    FakeDisplayModes modes{log};
    FakeServices services{log};
    DisplaySwitch disp{modes, services};
};

TEST_F(DisplaySwitchTest, RestoreBeforeAnySwitchCallsNothing) {
    disp.RestoreDisplay();
    EXPECT_TRUE(modes.requests.empty());
    EXPECT_FALSE(disp.DisplayChanged());
}

TEST_F(DisplaySwitchTest, NtSwitchAsksForDefaultRateAndRestoreSendsTheSavedRate) {
    services.platformId = kPlatformNT;
    disp.SwitchTo640x480();
    disp.RestoreDisplay();
    ASSERT_EQ(modes.requests.size(), 2u);
    const DisplayModeRequest& to = modes.requests[0];
    EXPECT_EQ(to.Fields, 0x5C0000u);
    EXPECT_EQ(to.PelsWidth, 640u);
    EXPECT_EQ(to.PelsHeight, 480u);
    EXPECT_EQ(to.BitsPerPel, 24u);
    EXPECT_EQ(to.DisplayFrequency, 0u);
    const DisplayModeRequest& back = modes.requests[1];
    EXPECT_EQ(back.Fields, 0x5C0000u);
    EXPECT_EQ(back.PelsWidth, 1920u);
    EXPECT_EQ(back.PelsHeight, 1080u);
    EXPECT_EQ(back.BitsPerPel, 24u);
    EXPECT_EQ(back.DisplayFrequency, 75u);
}

TEST_F(DisplaySwitchTest, OtherPlatformsPassNoRateAtAll) {
    services.platformId = kPlatformWin9x;
    disp.SwitchTo640x480();
    disp.RestoreDisplay();
    ASSERT_EQ(modes.requests.size(), 2u);
    for (const auto& m : modes.requests) {
        EXPECT_EQ(m.Fields, 0x1C0000u);
        EXPECT_EQ(m.DisplayFrequency, 0u);
        EXPECT_EQ(m.BitsPerPel, 24u);  // the depth never changes
    }
}

TEST_F(DisplaySwitchTest, RefusedSwitchStillCountsAsSwitchedAndRestoresAtClose) {
    modes.answer = -2;
    disp.SwitchTo640x480();
    EXPECT_TRUE(disp.DisplayChanged());
    disp.RestoreDisplay();
    ASSERT_EQ(modes.requests.size(), 2u);
    EXPECT_EQ(modes.requests[1].PelsWidth, 1920u);
}

TEST_F(DisplaySwitchTest, EveryRestoreSendsTheSavedModeAgain) {
    disp.SwitchTo640x480();
    disp.RestoreDisplay();
    disp.RestoreDisplay();
    EXPECT_EQ(CountOf(log, "ChangeDisplaySettings 1920x1080"), 2);
    EXPECT_TRUE(disp.DisplayChanged());
}

TEST_F(DisplaySwitchTest, SecondSwitchKeepsTheModeInForceBeforeTheFirst) {
    disp.SwitchTo640x480();
    modes.current.PelsWidth = 640;  // what the platform now reports
    modes.current.PelsHeight = 480;
    disp.SwitchTo640x480();
    disp.RestoreDisplay();
    EXPECT_EQ(modes.requests.back().PelsWidth, 1920u);
    EXPECT_EQ(modes.requests.back().PelsHeight, 1080u);
}

TEST_F(DisplaySwitchTest, UnknownCurrentModeMeansNoSwitchAndNothingToRestore) {
    modes.known = false;
    disp.SwitchTo640x480();
    disp.RestoreDisplay();
    EXPECT_TRUE(modes.requests.empty());
    EXPECT_FALSE(disp.DisplayChanged());
}

}  // namespace
