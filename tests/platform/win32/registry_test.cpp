// Win32Registry and the settings accessor over the real advapi32 registry.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/registry.h"
#include "platform/win32/win.h"
#include "settings/errors.h"
#include "settings/settingsstore.h"

namespace {

// Every test works below a scratch section of HKCU\Software and removes it afterwards. The
// section is the process's own: ctest runs each test in a process of its own, several at once,
// and one test's clean-up must not remove the key another is using.
const std::string kSection = "VelmoraTest" + std::to_string(GetCurrentProcessId());
const std::string kKeyPath = "Software\\" + kSection;

class Win32RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath.c_str()); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath.c_str()); }

    static void PutRaw(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath.c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    static bool GetRaw(const char* name, DWORD& type, std::string& data) {
        char buffer[256];
        DWORD size = sizeof buffer;
        if (RegGetValueA(HKEY_CURRENT_USER, kKeyPath.c_str(), name, RRF_RT_ANY, &type, buffer,
                         &size) != ERROR_SUCCESS)
            return false;
        data.assign(buffer, size);
        return true;
    }

    Win32Registry registry;
};

TEST_F(Win32RegistryTest, CurrentUserRootReachesTheRealHive) {
    RegKey software = 0;
    ASSERT_EQ(registry.OpenKey(kRegCurrentUser, "Software", kKeyRead, &software), 0);
    EXPECT_NE(software, 0u);
    EXPECT_EQ(registry.CloseKey(software), 0);
}

TEST_F(Win32RegistryTest, OpenFailsAndLeavesNoKeyWhenTheKeyIsMissing) {
    RegKey key = 1234;
    EXPECT_NE(registry.OpenKey(kRegCurrentUser, kKeyPath.c_str(), kKeyRead, &key), 0);
    EXPECT_EQ(key, 0u);
}

TEST_F(Win32RegistryTest, SizeQueryWithoutBufferThenDataQueryReturnTypeAndText) {
    PutRaw("Speed", REG_SZ, "42", 3);
    RegKey key = 0;
    ASSERT_EQ(registry.OpenKey(kRegCurrentUser, kKeyPath.c_str(), kKeyAllAccess, &key), 0);
    std::uint32_t size = 0, type = 0;
    ASSERT_EQ(registry.QueryValue(key, "Speed", &type, nullptr, &size), 0);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(type, kRegSz);
    std::uint8_t data[8] = {};
    size = sizeof data;
    ASSERT_EQ(registry.QueryValue(key, "Speed", &type, data, &size), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data)), "42");
    EXPECT_NE(registry.QueryValue(key, "Missing", nullptr, nullptr, &size), 0);
    registry.CloseKey(key);
}

TEST_F(Win32RegistryTest, AccessorWritesEveryKindAsRegSzText) {
    {
        SettingsStore reg(registry, "Software");
        reg.WriteValueInt(kSection, "Speed", -1);
        reg.WriteValueBool(kSection, "Comet", true);
        reg.WriteValueText(kSection, "road_Color", "cl3DLight");
    }
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(GetRaw("Speed", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, std::string("-1\0", 3));
    ASSERT_TRUE(GetRaw("Comet", type, data));
    EXPECT_EQ(data, std::string("1\0", 2));
    ASSERT_TRUE(GetRaw("road_Color", type, data));
    EXPECT_EQ(data, std::string("cl3DLight\0", 10));
}

TEST_F(Win32RegistryTest, AccessorReadsDefaultsWithoutCreatingTheSection) {
    {
        SettingsStore reg(registry, "Software");
        EXPECT_EQ(reg.ReadValueInt(kSection, "Speed", 30), 30);
        EXPECT_EQ(reg.ReadValueText(kSection, "road_Color", "cl3DLight"), "cl3DLight");
    }
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST_F(Win32RegistryTest, AccessorReadsHexAndFallsBackOnBadNumbers) {
    PutRaw("Speed", REG_SZ, "0x1E", 5);
    PutRaw("UpDown", REG_SZ, "30 ", 4);
    PutRaw("DispMode", REG_SZ, "", 1);
    SettingsStore reg(registry, "Software");
    EXPECT_EQ(reg.ReadValueInt(kSection, "Speed", 0), 30);
    EXPECT_EQ(reg.ReadValueInt(kSection, "UpDown", 1), 1);
    EXPECT_EQ(reg.ReadValueInt(kSection, "DispMode", 7), 7);
}

TEST_F(Win32RegistryTest, DwordValueRaisesTheBadDataTypeError) {
    DWORD red = 255;
    PutRaw("road_Color", REG_DWORD, &red, sizeof red);
    SettingsStore reg(registry, "Software");
    try {
        reg.ReadValueText(kSection, "road_Color", "cl3DLight");
        FAIL() << "no error raised";
    } catch (const RegistryError& e) {
        // "'road_Color' のﾃﾞｰﾀ型が不正です"
        EXPECT_EQ(
            std::string(e.what()),
            "'road_Color' \x82\xCC\xC3\xDE\xB0\xC0\x8C^\x82\xAA\x95s\x90\xB3\x82\xC5\x82\xB7");
    }
}

}  // namespace
