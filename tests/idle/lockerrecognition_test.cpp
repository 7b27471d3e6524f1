// LocksThisSession: which running programs count as a locker of this session.
#include "idle/lockerrecognition.h"

#include <gtest/gtest.h>

namespace {

const ProgramDisplay kWaylandSession{"wayland-1", ":0"};
const ProgramDisplay kXSession{"", ":1"};

TEST(LockerRecognition, AKnownLockerOnTheSessionsWaylandDisplayLocksIt) {
    EXPECT_TRUE(LocksThisSession("swaylock", {"wayland-1", ""}, kWaylandSession));
    EXPECT_TRUE(LocksThisSession("hyprlock", {"wayland-1", ":0"}, kWaylandSession));
}

TEST(LockerRecognition, OtherProgramsAndLookalikeNamesLockNothing) {
    for (const char* name :
         {"sway", "swayidle", "velmora", "swaylock-effects-helper", "lock", "Swaylock", ""})
        EXPECT_FALSE(LocksThisSession(name, {"wayland-1", ""}, kWaylandSession)) << name;
}

TEST(LockerRecognition, ALockerOfAnotherDisplayIsAnotherSessions) {
    EXPECT_FALSE(LocksThisSession("swaylock", {"wayland-2", ""}, kWaylandSession));
    // On a Wayland session an X locker (on Xwayland) covers only X clients: not the session.
    EXPECT_FALSE(LocksThisSession("i3lock", {"", ":0"}, kWaylandSession));
    EXPECT_FALSE(LocksThisSession("i3lock", {"", ":0"}, kXSession));
    EXPECT_FALSE(LocksThisSession("slock", {"", ""}, kXSession));
}

TEST(LockerRecognition, AnXLockerOnTheSessionsDisplayLocksItWhateverTheScreen) {
    EXPECT_TRUE(LocksThisSession("xsecurelock", {"", ":1"}, kXSession));
    EXPECT_TRUE(LocksThisSession("i3lock", {"", ":1.0"}, kXSession));
    EXPECT_FALSE(LocksThisSession("i3lock", {"", ":10"}, kXSession));
    // A session with no display at all has no locker to find.
    EXPECT_FALSE(LocksThisSession("i3lock", {"", ""}, {"", ""}));
}

}  // namespace
