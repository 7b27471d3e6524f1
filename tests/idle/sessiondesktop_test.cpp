#include "idle/sessiondesktop.h"

#include <gtest/gtest.h>

namespace {

TEST(SessionDesktop, FoundAnywhereInTheListAndOnlyAsAWholeName) {
    EXPECT_EQ(DesktopOfSession("GNOME"), SessionDesktop::Gnome);
    EXPECT_EQ(DesktopOfSession("ubuntu:GNOME"), SessionDesktop::Gnome);
    EXPECT_EQ(DesktopOfSession("GNOME-Flashback:GNOME"), SessionDesktop::Gnome);
    EXPECT_EQ(DesktopOfSession("KDE"), SessionDesktop::Plasma);
    EXPECT_EQ(DesktopOfSession("sway:KDE"), SessionDesktop::Plasma);
    EXPECT_EQ(DesktopOfSession(""), SessionDesktop::Other);
    EXPECT_EQ(DesktopOfSession("sway"), SessionDesktop::Other);
    EXPECT_EQ(DesktopOfSession("GNOME-Classic"), SessionDesktop::Other) << "a prefix alone";
    EXPECT_EQ(DesktopOfSession("kde"), SessionDesktop::Other) << "names are case-sensitive";
    EXPECT_EQ(DesktopOfSession("XFCE:"), SessionDesktop::Other);
}

TEST(SessionDesktop, OnlyOtherDesktopsLeaveTheScreenSaverNameToVelmoraIdle) {
    EXPECT_TRUE(DesktopServesScreenSaverName(SessionDesktop::Gnome));
    EXPECT_TRUE(DesktopServesScreenSaverName(SessionDesktop::Plasma));
    EXPECT_FALSE(DesktopServesScreenSaverName(SessionDesktop::Other));
}

}  // namespace
