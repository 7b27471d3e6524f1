// DisplaySwitch: the display switch's conditions and the modes it sends.
#include "saver/displayswitch.h"

#include <gtest/gtest.h>

#include "tests/support/saverfakes.h"

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
    services.family = PlatformFamily::NT;
    disp.SwitchTo640x480();
    disp.RestoreDisplay();
    ASSERT_EQ(modes.requests.size(), 2u);
    const DisplayModeRequest& to = modes.requests[0];
    EXPECT_EQ(to.Width, 640u);
    EXPECT_EQ(to.Height, 480u);
    EXPECT_EQ(to.BitsPerPixel, 24u);
    EXPECT_EQ(to.Frequency, std::optional<std::uint32_t>(0));
    const DisplayModeRequest& back = modes.requests[1];
    EXPECT_EQ(back.Width, 1920u);
    EXPECT_EQ(back.Height, 1080u);
    EXPECT_EQ(back.BitsPerPixel, 24u);
    EXPECT_EQ(back.Frequency, std::optional<std::uint32_t>(75));
}

TEST_F(DisplaySwitchTest, OtherPlatformsPassNoRateAtAll) {
    for (PlatformFamily family : {PlatformFamily::Windows9x, PlatformFamily::Other}) {
        services.family = family;
        modes.requests.clear();
        DisplaySwitch fresh{modes, services};
        fresh.SwitchTo640x480();
        fresh.RestoreDisplay();
        ASSERT_EQ(modes.requests.size(), 2u);
        for (const auto& m : modes.requests) {
            EXPECT_FALSE(m.Frequency.has_value());
            EXPECT_EQ(m.BitsPerPixel, 24u);  // the depth never changes
        }
        EXPECT_EQ(modes.requests[1].Width, 1920u);
    }
}

TEST_F(DisplaySwitchTest, RefusedSwitchStillCountsAsSwitchedAndRestoresAtClose) {
    modes.answer = -2;
    disp.SwitchTo640x480();
    EXPECT_TRUE(disp.DisplayChanged());
    disp.RestoreDisplay();
    ASSERT_EQ(modes.requests.size(), 2u);
    EXPECT_EQ(modes.requests[1].Width, 1920u);
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
    modes.current.Width = 640;  // what the platform now reports
    modes.current.Height = 480;
    disp.SwitchTo640x480();
    disp.RestoreDisplay();
    EXPECT_EQ(modes.requests.back().Width, 1920u);
    EXPECT_EQ(modes.requests.back().Height, 1080u);
}

TEST_F(DisplaySwitchTest, UnknownCurrentModeMeansNoSwitchAndNothingToRestore) {
    modes.known = false;
    disp.SwitchTo640x480();
    disp.RestoreDisplay();
    EXPECT_TRUE(modes.requests.empty());
    EXPECT_FALSE(disp.DisplayChanged());
}

}  // namespace
