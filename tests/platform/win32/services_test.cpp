// The launcher's and the saver's Win32 services that need no window: the instance atom, the
// platform family, the system directory and the run-time loaded password services.
#include <gtest/gtest.h>

#include "platform/win32/instance.h"
#include "platform/win32/saverservices.h"
#include "platform/win32/sjis.h"
#include "platform/win32/win.h"

namespace {

TEST(Win32InstanceMarker, AddedNameIsFoundWithoutRegardToCaseUntilDeleted) {
    Win32InstanceMarker marker;
    const char* name = "velmora-test-instance.scr";
    ASSERT_EQ(marker.Find(name), 0);
    const MarkerId atom = marker.Add(name);
    ASSERT_NE(atom, 0);
    EXPECT_EQ(marker.Find("VELMORA-TEST-INSTANCE.SCR"), atom);
    marker.Delete(atom);
    EXPECT_EQ(marker.Find(name), 0);
}

TEST(Win32InstanceMarker, NamesDifferingInTheExtensionAreDifferentInstances) {
    Win32InstanceMarker marker;
    const MarkerId scr = marker.Add("velmora-test-copy.scr");
    ASSERT_NE(scr, 0);
    EXPECT_EQ(marker.Find("velmora-test-copy.exe"), 0);
    marker.Delete(scr);
}

TEST(Win32WindowFinder, NoWindowOfAnUnknownTitle) {
    Win32WindowFinder finder;
    EXPECT_EQ(finder.FindWindow("velmora-test no such window title"), 0u);
}

TEST(Win32ScreenSaverServices, ReportsTheNtFamily) {
    Win32ScreenSaverServices services;
    PlatformFamily family = PlatformFamily::Unknown;
    ASSERT_TRUE(services.GetPlatformFamily(family));
    EXPECT_EQ(family, PlatformFamily::NT);
}

TEST(Win32ScreenSaverServices, SystemDirectoryIsAnExistingDirectory) {
    Win32ScreenSaverServices services;
    const std::string dir = services.SystemDirectory();
    ASSERT_FALSE(dir.empty());
    const DWORD attributes = GetFileAttributesA(dir.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(Win32ScreenSaverServices, MissingPasswordLibraryOrExportMeansNoCheck) {
    Win32ScreenSaverServices services;
    EXPECT_EQ(services.VerifyScreenSavePwd("C:\\no\\such\\PASSWORD.CPL", 0), PasswordCheck::Unavailable);
    // A library that loads but has no VerifyScreenSavePwd.
    const std::string kernel = services.SystemDirectory() + "\\kernel32.dll";
    EXPECT_EQ(services.VerifyScreenSavePwd(kernel, 0), PasswordCheck::Unavailable);
}

}  // namespace
