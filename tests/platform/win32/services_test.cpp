// The launcher's and the saver's Win32 services that need no window: the instance atom, the
// platform family, the system directory and the run-time loaded password hooks.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/win32/instance.h"
#include "platform/win32/sjis.h"
#include "platform/win32/systemsaverhooks.h"
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

TEST(Win32SystemSaverHooks, ReportsTheNtFamily) {
    Win32SystemSaverHooks hooks;
    PlatformFamily family = PlatformFamily::Unknown;
    ASSERT_TRUE(hooks.GetPlatformFamily(family));
    EXPECT_EQ(family, PlatformFamily::NT);
}

TEST(Win32SystemSaverHooks, SystemDirectoryIsAnExistingDirectory) {
    Win32SystemSaverHooks hooks;
    const std::string dir = hooks.SystemDirectory();
    ASSERT_FALSE(dir.empty());
    const DWORD attributes = GetFileAttributesA(dir.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(Win32SystemSaverHooks, MissingPasswordLibraryOrExportMeansNoCheck) {
    Win32SystemSaverHooks hooks;
    EXPECT_EQ(hooks.VerifyScreenSavePwd("C:\\no\\such\\PASSWORD.CPL", 0),
              PasswordCheck::Unavailable);
    // A library that loads but has no VerifyScreenSavePwd.
    const std::string kernel = hooks.SystemDirectory() + "\\kernel32.dll";
    EXPECT_EQ(hooks.VerifyScreenSavePwd(kernel, 0), PasswordCheck::Unavailable);
}

// The stand-in PASSWORD.CPL refuses its first call in a process and accepts the next, and logs
// the title of the window it was given and the caller's cursor counter.
class PasswordLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        SetEnvironmentVariableA("VELMORA_TEST_PASSWORD_CALLS", nullptr);
        SetEnvironmentVariableA("VELMORA_TEST_REFUSALS", nullptr);
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        Calls = std::string(dir) + "velmora-services-test-" +
                std::to_string(GetCurrentProcessId()) + ".log";
        DeleteFileA(Calls.c_str());
        SetEnvironmentVariableA("VELMORA_TEST_LOG", Calls.c_str());
        OwnerHwnd = CreateWindowExA(0, "STATIC", "velmora-test-owner", WS_POPUP, 0, 0, 10, 10,
                                    nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(OwnerHwnd, nullptr);
    }
    void TearDown() override {
        SetEnvironmentVariableA("VELMORA_TEST_LOG", nullptr);
        DeleteFileA(Calls.c_str());
        if (OwnerHwnd != nullptr) DestroyWindow(OwnerHwnd);
    }
    std::string Log() const {
        std::ifstream in(Calls);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    WindowHandle Owner() const { return reinterpret_cast<WindowHandle>(OwnerHwnd); }

    std::string Calls;
    HWND OwnerHwnd = nullptr;
};

TEST_F(PasswordLibrary, RefusalAndAcceptanceComeBackFromTheLibraryAcrossLoads) {
    Win32SystemSaverHooks hooks;
    // The library is loaded and released for each check; a wrong calling convention would
    // leave the 32-bit caller's stack a word off after the first.
    EXPECT_EQ(hooks.VerifyScreenSavePwd(VELMORA_TEST_PASSWORD_CPL, Owner()),
              PasswordCheck::Refused);
    EXPECT_EQ(hooks.VerifyScreenSavePwd(VELMORA_TEST_PASSWORD_CPL, Owner()),
              PasswordCheck::Accepted);
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr)
        << "the library stays loaded after the check";
    EXPECT_EQ(Log(),
              "VerifyScreenSavePwd velmora-test-owner 0 0\n"
              "VerifyScreenSavePwd velmora-test-owner 0 1\n");
}

}  // namespace
