// SettingsStore over the in-memory registry: defaults, text forms, messages and every failure path.
#include "settings/settingsstore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "settings/errors.h"
#include "tests/settings/messages.h"
#include "tests/support/memoryregistry.h"

namespace {

using ::testing::ElementsAre;

constexpr std::string_view kKey = "Software\\Velmora";

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

template <typename F>
std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const RegistryError& e) {
        return e.what();
    }
    return "(no error)";
}

// The log lines that name calls of one kind.
std::vector<std::string> Calls(const MemoryRegistry& reg, std::string_view prefix) {
    std::vector<std::string> out;
    for (const auto& line : reg.Log())
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

class SettingsStoreTest : public ::testing::Test {
  protected:
    MemoryRegistry reg;

    // Speed stored as 40 while every `failing` call fails: the reads give their defaults.
    void ExpectDefaultsWhileFailing(RegCall failing) {
        reg.PutText(kKey, "Speed", "40");
        reg.FailCall(failing);
        SettingsStore ini(reg, "Software");
        EXPECT_EQ(ini.ReadValueInt("Velmora", "Speed", 30), 30);
        EXPECT_EQ(ini.ReadValueText("Velmora", "Speed", "d"), "d");
        EXPECT_EQ(ini.ReadValueText("Velmora", "road_Color", "x"), "x");
    }
};

TEST_F(SettingsStoreTest, MissingSectionGivesEveryDefaultAndCreatesNothing) {
    {
        SettingsStore ini(reg, "Software");
        EXPECT_EQ(ini.ReadValueInt("Velmora", "Speed", 30), 30);
        EXPECT_TRUE(ini.ReadValueBool("Velmora", "Comet", true));
        EXPECT_EQ(ini.ReadValueText("Velmora", "road_Color", "cl3DLight"), "cl3DLight");
    }
    EXPECT_FALSE(reg.KeyExists(kKey));
    EXPECT_TRUE(Calls(reg, "SetValue").empty());
    EXPECT_EQ(reg.OpenHandles(), 0u);
}

TEST_F(SettingsStoreTest, HoldsTheBaseKeyOpenWithFullAccessUntilReleased) {
    {
        SettingsStore ini(reg, "Software");
        EXPECT_THAT(reg.Log(), ElementsAre("CreateKey Software 0xF003F"));
        EXPECT_EQ(reg.OpenHandles(), 1u);
    }
    EXPECT_EQ(reg.OpenHandles(), 0u);
    EXPECT_EQ(reg.Log().back(), "CloseKey Software");
}

TEST_F(SettingsStoreTest, EachReadOpensTheSectionWithFullAccessAndClosesIt) {
    reg.PutText(kKey, "Speed", "40");
    SettingsStore ini(reg, "Software");
    reg.ClearLog();
    EXPECT_EQ(ini.ReadValueInt("Velmora", "Speed", 30), 40);
    EXPECT_EQ(reg.Log().front(), "OpenKey Software\\Velmora 0xF003F");
    EXPECT_EQ(reg.Log().back(), "CloseKey Software\\Velmora");
    EXPECT_EQ(reg.OpenHandles(), 1u);  // only the base key
}

TEST_F(SettingsStoreTest, SectionThatCannotBeOpenedForWritingIsStillRead) {
    reg.PutText(kKey, "Speed", "40");
    reg.AddFailure([](const RegCallInfo& c) -> long {
        return c.Call == RegCall::OpenKey && c.Access == kKeyAllAccess ? 5 : 0;
    });
    SettingsStore ini(reg, "Software");
    EXPECT_EQ(ini.ReadValueInt("Velmora", "Speed", 30), 40);
    EXPECT_EQ(Calls(reg, "OpenKey").back(), "OpenKey Software\\Velmora 0x20019");
}

TEST_F(SettingsStoreTest, SectionThatCannotBeOpenedAtAllReadsAsDefaults) {
    ExpectDefaultsWhileFailing(RegCall::OpenKey);
}

TEST_F(SettingsStoreTest, BaseKeyFailingLooksSectionsUpFromTheRoot) {
    reg.FailCall(RegCall::CreateKey, "Software");
    reg.PutText("Velmora", "Speed", "44");
    SettingsStore ini(reg, "Software");
    EXPECT_EQ(ini.ReadValueInt("Velmora", "Speed", 30), 44);
    EXPECT_EQ(reg.OpenHandles(), 0u);
}

TEST_F(SettingsStoreTest, SectionStartingWithBackslashIsTakenFromTheRoot) {
    reg.PutText("Velmora", "Speed", "44");
    reg.PutText(kKey, "Speed", "40");
    SettingsStore ini(reg, "Software");
    EXPECT_EQ(ini.ReadValueInt("\\Velmora", "Speed", 30), 44);
    EXPECT_EQ(ini.ReadValueInt("Velmora", "Speed", 30), 40);
}

TEST_F(SettingsStoreTest, IntegersFollowTheZeroXRuleAndFallBackToTheDefault) {
    SettingsStore ini(reg, "Software");
    auto read = [&](std::string_view text) {
        reg.PutText(kKey, "Speed", text);
        return ini.ReadValueInt("Velmora", "Speed", 30);
    };
    EXPECT_EQ(read("0x1E"), 30 + 0);
    EXPECT_EQ(read("0x28"), 40);
    EXPECT_EQ(read("$28"), 40);
    EXPECT_EQ(read("99"), 99);
    EXPECT_EQ(read("-1"), -1);
    EXPECT_EQ(read(" 45"), 45);
    EXPECT_EQ(read("45 "), 30);
    EXPECT_EQ(read("abc"), 30);
    EXPECT_EQ(read(""), 30);
}

TEST_F(SettingsStoreTest, FlagsAreOnForAnyNonZeroInteger) {
    SettingsStore ini(reg, "Software");
    auto read = [&](std::string_view text, bool def) {
        reg.PutText(kKey, "Comet", text);
        return ini.ReadValueBool("Velmora", "Comet", def);
    };
    EXPECT_TRUE(read("5", false));
    EXPECT_TRUE(read("-1", false));
    EXPECT_FALSE(read("0", true));
    EXPECT_TRUE(read("on", true));
    EXPECT_FALSE(read("on", false));
}

TEST_F(SettingsStoreTest, TextEndsAtTheFirstZeroAndExpandableTextIsNotExpanded) {
    SettingsStore ini(reg, "Software");
    reg.Put(kKey, "a", kRegSz, Bytes(std::string_view("ab\0cd\0", 6)));
    EXPECT_EQ(ini.ReadValueText("Velmora", "a", "x"), "ab");
    reg.Put(kKey, "b", kRegSz, Bytes("no terminator"));
    EXPECT_EQ(ini.ReadValueText("Velmora", "b", "x"), "no terminator");
    reg.Put(kKey, "c", kRegExpandSz, Bytes(std::string_view("%HOME%\0", 7)));
    EXPECT_EQ(ini.ReadValueText("Velmora", "c", "x"), "%HOME%");
    reg.Put(kKey, "d", kRegSz, {});
    EXPECT_EQ(ini.ReadValueText("Velmora", "d", "x"), "");
}

TEST_F(SettingsStoreTest, ValueOfAnotherTypeIsADataTypeErrorForTextAndIntegerReads) {
    reg.Put(kKey, "road_Color", kRegDword, {0xFF, 0, 0, 0});
    reg.Put(kKey, "Speed", kRegDword, {30, 0, 0, 0});
    reg.Put(kKey, "Multi", kRegMultiSz, Bytes(std::string_view("a\0\0", 3)));
    SettingsStore ini(reg, "Software");
    EXPECT_EQ(ErrorOf([&] { ini.ReadValueText("Velmora", "road_Color", "cl3DLight"); }),
              BadDataType("road_Color"));
    EXPECT_EQ(ErrorOf([&] { ini.ReadValueInt("Velmora", "Speed", 30); }), BadDataType("Speed"));
    EXPECT_EQ(ErrorOf([&] { ini.ReadValueText("Velmora", "Multi", ""); }), BadDataType("Multi"));
    EXPECT_EQ(reg.OpenHandles(), 1u);  // the section key was closed on the way out
}

TEST_F(SettingsStoreTest, DataThatCannotBeReadIsAReadError) {
    reg.PutText(kKey, "Speed", "30");
    reg.FailCall(RegCall::QueryValueData);
    SettingsStore ini(reg, "Software");
    EXPECT_EQ(ErrorOf([&] { ini.ReadValueInt("Velmora", "Speed", 30); }), ReadFailed("Speed"));
    EXPECT_EQ(reg.OpenHandles(), 1u);
}

TEST_F(SettingsStoreTest, ValueWhoseExistenceCheckFailsReadsAsItsDefault) {
    ExpectDefaultsWhileFailing(RegCall::QueryValueInfo);
}

TEST_F(SettingsStoreTest, SizeQueryFailingAfterTheExistenceCheckGivesTheEmptyText) {
    reg.PutText(kKey, "road_Color", "clRed");
    int infoCalls = 0;
    reg.AddFailure([&](const RegCallInfo& c) -> long {
        return c.Call == RegCall::QueryValueInfo && ++infoCalls % 2 == 0 ? 5 : 0;
    });
    SettingsStore ini(reg, "Software");
    EXPECT_EQ(ini.ReadValueText("Velmora", "road_Color", "cl3DLight"), "");
    EXPECT_EQ(ini.ReadValueInt("Velmora", "road_Color", 7), 7);
}

TEST_F(SettingsStoreTest, WritesCreateTheSectionAndStoreZeroTerminatedText) {
    {
        SettingsStore ini(reg, "Software");
        ini.WriteValueInt("Velmora", "Speed", 30);
        ini.WriteValueInt("Velmora", "UpDown", -1);
        ini.WriteValueBool("Velmora", "Comet", true);
        ini.WriteValueBool("Velmora", "Trans", false);
        ini.WriteValueText("Velmora", "road_Color", "cl3DLight");
    }
    auto speed = reg.Get(kKey, "Speed");
    ASSERT_TRUE(speed);
    EXPECT_EQ(speed->Type, kRegSz);
    EXPECT_EQ(speed->Data, Bytes(std::string_view("30\0", 3)));
    EXPECT_EQ(reg.GetText(kKey, "UpDown"), "-1");
    EXPECT_EQ(reg.GetText(kKey, "Comet"), "1");
    EXPECT_EQ(reg.GetText(kKey, "Trans"), "0");
    EXPECT_EQ(reg.GetText(kKey, "road_Color"), "cl3DLight");
    EXPECT_EQ(reg.OpenHandles(), 0u);
}

TEST_F(SettingsStoreTest, AWriteCreatesClosesThenOpensTheSection) {
    SettingsStore ini(reg, "Software");
    reg.ClearLog();
    ini.WriteValueInt("Velmora", "Speed", 30);
    EXPECT_THAT(reg.Log(),
                ElementsAre("CreateKey Software\\Velmora 0xF003F", "CloseKey Software\\Velmora",
                            "OpenKey Software\\Velmora 0xF003F", "SetValue Speed",
                            "CloseKey Software\\Velmora"));
}

TEST_F(SettingsStoreTest, SectionThatCannotBeCreatedIsAKeyError) {
    SettingsStore ini(reg, "Software");
    reg.FailCall(RegCall::CreateKey);
    EXPECT_EQ(ErrorOf([&] { ini.WriteValueInt("Velmora", "Speed", 30); }),
              CreateKeyFailed("Velmora"));
    EXPECT_FALSE(reg.Get(kKey, "Speed"));
}

TEST_F(SettingsStoreTest, SectionThatCannotBeOpenedOnWriteIsSilentlySkipped) {
    SettingsStore ini(reg, "Software");
    reg.FailCall(RegCall::OpenKey);
    EXPECT_NO_THROW(ini.WriteValueInt("Velmora", "Speed", 30));
    EXPECT_FALSE(reg.Get(kKey, "Speed"));
    EXPECT_TRUE(Calls(reg, "SetValue").empty());
}

TEST_F(SettingsStoreTest, ValueThatCannotBeSetIsAWriteErrorAndTheKeyIsClosed) {
    SettingsStore ini(reg, "Software");
    reg.FailCall(RegCall::SetValue, "Comet");
    ini.WriteValueInt("Velmora", "Speed", 31);
    EXPECT_EQ(ErrorOf([&] { ini.WriteValueBool("Velmora", "Comet", true); }), WriteFailed("Comet"));
    EXPECT_EQ(reg.GetText(kKey, "Speed"), "31");
    EXPECT_FALSE(reg.Get(kKey, "Comet"));
    EXPECT_EQ(reg.OpenHandles(), 1u);
}

TEST_F(SettingsStoreTest, ReleaseIgnoresAFailingClose) {
    reg.FailCall(RegCall::CloseKey);
    EXPECT_NO_FATAL_FAILURE({ SettingsStore ini(reg, "Software"); });
}

}  // namespace
