#include "platform/web/registry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/posix/registry.h"
#include "settings/errors.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"

namespace {

SaverSettings ReadAll(Registry& registry) {
    SaverSettings settings;
    SettingsStore store(registry, kSettingsBaseKey);
    ReadSettings(store, settings);
    return settings;
}

void WriteAll(Registry& registry, const SaverSettings& settings) {
    SettingsStore store(registry, kSettingsBaseKey);
    WriteSettings(store, settings);
}

std::string Utf16File(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

TEST(PageRegistryTest, AnEmptyHiveReadsTheDefaultsAndWritesAFileTheLinuxStoreReadsBack) {
    PageRegistry page;
    ASSERT_FALSE(page.Load(""));
    SaverSettings settings = ReadAll(page);
    EXPECT_EQ(settings.Speed, 30);
    EXPECT_EQ(settings.road_Color, cl3DLight);
    settings.Speed = 44;
    settings.Trans = true;
    settings.porl_Color = 0x0001FEFF;
    WriteAll(page, settings);
    EXPECT_EQ(page.Changes(), 14u);
    const std::string text = page.Text();
    EXPECT_EQ(
        text.rfind("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmora]\n\"Speed\"=\"44\"\n", 0), 0u)
        << text;

    char path[] = "/tmp/velmora-page-registry-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    std::ofstream(path, std::ios::binary) << text;
    FileRegistry file(path);
    const SaverSettings read = ReadAll(file);
    std::remove(path);
    EXPECT_EQ(read.Speed, 44);
    EXPECT_TRUE(read.Trans);
    EXPECT_EQ(read.porl_Color, 0x0001FEFF);
    EXPECT_EQ(read.town3_Color, settings.town3_Color);
}

TEST(PageRegistryTest, AWindowsUtf16ExportIsReadAndKeepsItsEncodingWhenWritten) {
    PageRegistry page;
    ASSERT_FALSE(
        page.Load(Utf16File("Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"
                            "\"Speed\"=\"17\"\r\n\"road_Color\"=\"clLime\"\r\n\r\n")));
    SaverSettings settings = ReadAll(page);
    EXPECT_EQ(settings.Speed, 17);
    EXPECT_EQ(settings.road_Color, 0x0000FF00);
    settings.Speed = 18;
    WriteAll(page, settings);
    const std::string text = page.Text();
    ASSERT_EQ(text.substr(0, 2), "\xFF\xFE");
    PageRegistry again;
    ASSERT_FALSE(again.Load(text));
    EXPECT_EQ(ReadAll(again).Speed, 18);
}

TEST(PageRegistryTest, AStoredValueOfAnotherTypeIsRefusedAsTheStoreRefusesIt) {
    PageRegistry page;
    ASSERT_FALSE(page.Load(
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmora]\n\"Speed\"=dword:00000010\n"));
    EXPECT_THROW(ReadAll(page), RegistryError);
}

TEST(PageRegistryTest, TextThatIsNoRegistryFileIsRefusedAndLeavesAnEmptyHive) {
    PageRegistry page;
    ASSERT_FALSE(
        page.Load("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmora]\n\"Speed\"=\"20\"\n"));
    const auto error = page.Load("this is not a registry file\n");
    ASSERT_TRUE(error);
    EXPECT_EQ(ReadAll(page).Speed, 30);
}

}  // namespace
