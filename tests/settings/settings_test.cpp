// The fourteen settings as the saver window reads them, and the recorder's single-setting texts.
#include "settings/settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "settings/errors.h"
#include "settings/settingsstore.h"
#include "tests/settings/messages.h"
#include "tests/support/memoryregistry.h"

namespace {

constexpr std::string_view kKey = "Software\\Velmora";

std::vector<std::string> QueriedNames(const MemoryRegistry& reg) {
    std::vector<std::string> names;
    for (const auto& line : reg.Log())
        if (line.rfind("QueryValueInfo ", 0) == 0) {
            auto name = line.substr(15);
            if (names.empty() || names.back() != name) names.push_back(name);
        }
    return names;
}

TEST(ReadSettings, NoStoredKeyGivesTheFourteenDefaults) {
    MemoryRegistry reg;
    SaverSettings s;
    s.Speed = 1;
    s.road_Color = 0;
    {
        SettingsStore ini(reg, kSettingsBaseKey);
        ReadSettings(ini, s);
    }
    EXPECT_EQ(s.Speed, 30);
    EXPECT_EQ(s.DispMode, 0);
    EXPECT_FALSE(s.StarScroll);
    EXPECT_FALSE(s.Comet);
    EXPECT_EQ(s.UpDown, 1);
    EXPECT_FALSE(s.Trans);
    EXPECT_EQ(s.road_Color, static_cast<ColorValue>(0x80000016u));
    EXPECT_EQ(s.porl_Color, 0x00FFFF);
    EXPECT_EQ(s.star1_Color, 0xFFFF00);
    EXPECT_EQ(s.star2_Color, 0x808080);
    EXPECT_EQ(s.star3_Color, 0x00FFFF);
    EXPECT_EQ(s.town1_Color, 0x00FFFF);
    EXPECT_EQ(s.town2_Color, 0x808000);
    EXPECT_EQ(s.town3_Color, 0x0000FF);
    EXPECT_FALSE(reg.KeyExists(kKey));
}

TEST(ReadSettings, ReadsInTheSaverWindowsOrder) {
    MemoryRegistry reg;
    reg.PutText(kKey, "Speed", "30");  // the section must exist for the values to be queried
    SettingsStore ini(reg, kSettingsBaseKey);
    SaverSettings s;
    ReadSettings(ini, s);
    EXPECT_THAT(
        QueriedNames(reg),
        ::testing::ElementsAre("Speed", "DispMode", "StarScroll", "Comet", "UpDown", "Trans",
                               "road_Color", "porl_Color", "star1_Color", "star2_Color",
                               "star3_Color", "town1_Color", "town2_Color", "town3_Color"));
}

TEST(ReadSettings, KeepsStoredValuesTheDialogWouldClamp) {
    MemoryRegistry reg;
    reg.PutTexts(kKey, {{"Speed", "99"},
                        {"DispMode", "-1"},
                        {"UpDown", "7"},
                        {"StarScroll", "5"},
                        {"road_Color", "CL3DLIGHT"},
                        {"porl_Color", "$0001FEFF"},
                        {"star1_Color", "16711680"}});
    SettingsStore ini(reg, kSettingsBaseKey);
    SaverSettings s;
    ReadSettings(ini, s);
    EXPECT_EQ(s.Speed, 99);
    EXPECT_EQ(s.DispMode, -1);
    EXPECT_EQ(s.UpDown, 7);
    EXPECT_TRUE(s.StarScroll);
    EXPECT_EQ(s.road_Color, static_cast<ColorValue>(0x80000016u));
    EXPECT_EQ(s.porl_Color, 0x0001FEFF);
    EXPECT_EQ(s.star1_Color, 0xFF0000);
}

TEST(ReadSettings, AnErrorStopsTheReadingWithEarlierValuesKept) {
    MemoryRegistry reg;
    reg.PutTexts(kKey, {{"Speed", "20"}, {"porl_Color", "red"}, {"star1_Color", "clRed"}});
    SettingsStore ini(reg, kSettingsBaseKey);
    SaverSettings s;
    s.star1_Color = 1;
    try {
        ReadSettings(ini, s);
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_EQ(std::string(e.what()), NotAnInteger("red"));
    }
    EXPECT_EQ(s.Speed, 20);
    EXPECT_EQ(s.road_Color, static_cast<ColorValue>(0x80000016u));
    EXPECT_EQ(s.star1_Color, 1);  // not reached
    EXPECT_EQ(reg.OpenHandles(), 1u);
}

TEST(SettingTable, EveryDefaultTextReadsAsTheRecordsDefault) {
    const SaverSettings defaults;
    constexpr std::int32_t kUnread = 0x5A5A5A5A;  // not the value of any default
    for (const auto& setting : SaverSettingTable)
        EXPECT_EQ(ValueFromText(setting.Kind, setting.DefaultText, kUnread),
                  FieldValue(defaults, setting))
            << setting.Name;
}

TEST(SettingTable, LooksSettingsUpByExactNameAndOption) {
    ASSERT_NE(FindSetting("porl_Color"), nullptr);
    EXPECT_EQ(FindSetting("porl_Color")->Control, ControlId::lampSwatch);
    EXPECT_EQ(FindSetting("speed"), nullptr);
    EXPECT_EQ(FindSetting(""), nullptr);
    std::vector<std::string_view> offered;
    for (const auto& setting : SaverSettingTable)
        if (!setting.Option.empty()) {
            EXPECT_EQ(FindSettingByOption(setting.Option), &setting);
            offered.push_back(setting.Name);
        }
    EXPECT_THAT(offered, ::testing::ElementsAre("Speed", "StarScroll", "Comet", "UpDown", "Trans"));
    EXPECT_EQ(FindSettingByOption("relief")->Min, 0);
    EXPECT_EQ(FindSettingByOption("relief")->Max, 3);
    EXPECT_EQ(FindSettingByOption("speed")->Min, 15);
    EXPECT_EQ(FindSettingByOption("speed")->Max, 50);
    EXPECT_EQ(FindSettingByOption(""), nullptr);
    EXPECT_EQ(FindSettingByOption("Speed"), nullptr);
}

TEST(ApplySettingText, UsesTheStoresReadingRules) {
    SaverSettings s;
    EXPECT_TRUE(ApplySettingText(s, "Speed", "0x28"));
    EXPECT_EQ(s.Speed, 40);
    EXPECT_TRUE(ApplySettingText(s, "Speed", "fast"));
    EXPECT_EQ(s.Speed, 30);
    EXPECT_TRUE(ApplySettingText(s, "Comet", "2"));
    EXPECT_TRUE(s.Comet);
    EXPECT_TRUE(ApplySettingText(s, "Comet", "x"));
    EXPECT_FALSE(s.Comet);
    EXPECT_TRUE(ApplySettingText(s, "town3_Color", "clLime"));
    EXPECT_EQ(s.town3_Color, 0x00FF00);
    EXPECT_THROW(ApplySettingText(s, "town3_Color", "lime"), ConvertError);
    EXPECT_FALSE(ApplySettingText(s, "Colour", "1"));
}

}  // namespace
