// The launcher: mode dispatch, the second-instance path, the marker failure and the exit path,
// against fakes of the application framework, instance marker, window finder and screen-saver
// hooks.
#include "launcher/launcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/saverfakes.h"

namespace {

class FakeApplication final : public Application, LoggingFake {
  public:
    explicit FakeApplication(CallLog& log) : LoggingFake(log) {}
    void Initialize(std::string_view title) override { Logged("Initialize " + std::string(title)); }
    void HideApplicationWindow() override { Logged("HideApplicationWindow"); }
    void ShowWindow(WindowHandle window, WindowVisibility visibility) override {
        Logged("ShowWindow " + std::to_string(window) +
               (visibility == WindowVisibility::Shown ? " shown" : " hidden"));
    }
    void ShowSettingsDialog() override { Logged("ShowSettingsDialog"); }
    void CreateSaverWindow(WindowHandle host) override {
        Logged("CreateSaverWindow " + std::to_string(host));
    }
    void Run() override { Logged("Run"); }
    void Terminate() override { Logged("Terminate"); }
};

class FakeMarker final : public InstanceMarker, LoggingFake {
  public:
    explicit FakeMarker(CallLog& log) : LoggingFake(log) {}
    MarkerId Find(std::string_view name) override {
        return Logged("Find " + std::string(name), found);
    }
    MarkerId Add(std::string_view name) override {
        return Logged("Add " + std::string(name), added);
    }
    void Delete(MarkerId atom) override { Logged("Delete " + std::to_string(atom)); }

    MarkerId found = 0;
    MarkerId added = 0xC001;
};

class FakeFinder final : public WindowFinder, LoggingFake {
  public:
    explicit FakeFinder(CallLog& log) : LoggingFake(log) {}
    WindowHandle FindWindow(std::string_view title) override {
        return Logged("FindWindow " + std::string(title), window);
    }
    void SetForegroundWindow(WindowHandle w) override {
        Logged("SetForegroundWindow " + std::to_string(w));
    }
    WindowHandle window = 0;
};

class LauncherTest : public ::testing::Test {
  protected:
    int Launch(std::vector<std::string_view> args) {
        log.clear();
        return RunLauncher("/usr/games/velmora", args, platform);
    }
    // The calls after the marker's registration and the framework's start, before the exit.
    CallLog Dispatch() const {
        CallLog middle;
        for (const auto& entry : log)
            if (entry.rfind("Find ", 0) != 0 && entry.rfind("Add ", 0) != 0 &&
                entry.rfind("Delete ", 0) != 0 && entry.rfind("Initialize ", 0) != 0)
                middle.push_back(entry);
        return middle;
    }

    CallLog log;
    FakeApplication app{log};
    FakeMarker marker{log};
    FakeFinder finder{log};
    FakeMessageBox box;
    FakeSaverHooks saverHooks{log};
    LauncherPlatform platform{app, marker, finder, box, saverHooks};
};

TEST(LauncherArguments, ModeIsTheSecondCharacterWithoutRegardToCaseOrSettingsWithoutArguments) {
    using Args = std::vector<std::string_view>;
    EXPECT_EQ(LaunchModeOf(Args{}), LaunchMode::Settings);
    EXPECT_EQ(LaunchModeOf(Args{"/c"}), LaunchMode::Settings);
    EXPECT_EQ(LaunchModeOf(Args{"-C"}), LaunchMode::Settings);
    EXPECT_EQ(LaunchModeOf(Args{"/c:1234"}), LaunchMode::Settings);
    EXPECT_EQ(LaunchModeOf(Args{"/p", "12"}), LaunchMode::Preview);
    EXPECT_EQ(LaunchModeOf(Args{"/P"}), LaunchMode::Preview);
    EXPECT_EQ(LaunchModeOf(Args{"/a"}), LaunchMode::ChangePassword);
    EXPECT_EQ(LaunchModeOf(Args{"-A"}), LaunchMode::ChangePassword);
    EXPECT_EQ(LaunchModeOf(Args{"/s"}), LaunchMode::Run);
    EXPECT_EQ(LaunchModeOf(Args{"s"}), LaunchMode::Run);  // no second character
    EXPECT_EQ(LaunchModeOf(Args{"/x"}), LaunchMode::Run);
    EXPECT_EQ(LaunchModeOf(Args{"a/p"}), LaunchMode::Run);    // only the second character counts
    EXPECT_EQ(LaunchModeOf(Args{"/\xC3"}), LaunchMode::Run);  // no case folding beyond a to z
}

TEST(LauncherArguments, HostWindowIsTheSecondArgumentByTheIntegerRuleElseZero) {
    using Args = std::vector<std::string_view>;
    EXPECT_EQ(HostWindowArgument(Args{"/p", "1234"}), 1234u);
    EXPECT_EQ(HostWindowArgument(Args{"/p", "$4D2"}), 1234u);
    EXPECT_EQ(HostWindowArgument(Args{"/p", "  77"}), 77u);
    EXPECT_EQ(HostWindowArgument(Args{"/p", "0x4D2"}), 0u);
    EXPECT_EQ(HostWindowArgument(Args{"/p", "12ab"}), 0u);
    EXPECT_EQ(HostWindowArgument(Args{"/p"}), 0u);
}

TEST(LauncherArguments, MarkerNameIsTheExecutablesFileNameWithItsExtension) {
    EXPECT_EQ(ExecutableFileName("/usr/bin/velmora"), "velmora");
    EXPECT_EQ(ExecutableFileName("C:\\WINDOWS\\Velmora.scr"), "Velmora.scr");
    EXPECT_EQ(ExecutableFileName("velmora.bin"), "velmora.bin");
}

TEST_F(LauncherTest, NoArgumentAndEveryCFormOpenTheSettingsDialogAndEnd) {
    for (auto args : {std::vector<std::string_view>{}, {"/c"}, {"/C"}, {"-c"}, {"/c:1234"}}) {
        EXPECT_EQ(Launch(args), 0);
        EXPECT_EQ(Dispatch(),
                  (CallLog{"HideApplicationWindow", "ShowSettingsDialog", "Terminate", "Run"}));
    }
}

TEST_F(LauncherTest, EveryOtherFirstArgumentRunsTheSaverFullScreen) {
    for (auto args : std::vector<std::vector<std::string_view>>{
             {"/s"}, {"/S"}, {"-s"}, {"/x"}, {"s"}, {"-root"}, {"/p"}}) {
        EXPECT_EQ(Launch(args), 0);
        const bool preview = args[0] == "/p";
        if (preview)
            EXPECT_EQ(Dispatch(), (CallLog{"HideApplicationWindow", "ShowWindow 0 shown",
                                           "CreateSaverWindow 0", "Run"}));
        else
            EXPECT_EQ(Dispatch(), (CallLog{"CreateSaverWindow 0", "Run"})) << args[0];
    }
}

TEST_F(LauncherTest, PreviewShowsTheHostWindowFirstThenRunsInsideIt) {
    EXPECT_EQ(Launch({"/p", "1234"}), 0);
    EXPECT_EQ(Dispatch(), (CallLog{"HideApplicationWindow", "ShowWindow 1234 shown",
                                   "CreateSaverWindow 1234", "Run"}));
}

TEST_F(LauncherTest, ModeAAsksThePlatformToChangeThePasswordWithTheParentWindow) {
    EXPECT_EQ(Launch({"/a", "99"}), 0);
    EXPECT_EQ(Dispatch(),
              (CallLog{"HideApplicationWindow", "ChangePassword 99", "Terminate", "Run"}));
}

TEST_F(LauncherTest, WholeRunRegistersTitlesDispatchesAndDeletesItsMarkerLast) {
    Launch({"/s"});
    EXPECT_EQ(log, (CallLog{"Find velmora", "Add velmora", "Initialize Velmora",
                            "CreateSaverWindow 0", "Run", "Delete 49153"}));
}

TEST_F(LauncherTest, SecondLaunchRaisesTheRunningInstanceAndEndsWithoutDispatching) {
    marker.found = 0xC002;
    finder.window = 0x400007;
    EXPECT_EQ(Launch({"/s"}), 0);
    EXPECT_EQ(log, (CallLog{"Find velmora", "FindWindow velmora",
                            "SetForegroundWindow " + std::to_string(0x400007),
                            "Delete " + std::to_string(0xC002)}));
}

TEST_F(LauncherTest, SecondLaunchWithoutAVisibleWindowStillEndsQuietly) {
    marker.found = 0xC002;
    Launch({"/c"});
    EXPECT_EQ(log,
              (CallLog{"Find velmora", "FindWindow velmora", "Delete " + std::to_string(0xC002)}));
    EXPECT_TRUE(box.texts.empty());
}

TEST_F(LauncherTest, MarkerThatCannotBeRegisteredIsReportedAndNothingRuns) {
    marker.added = 0;
    EXPECT_EQ(Launch({"/s"}), 1) << "a run that did nothing is a failure";
    EXPECT_EQ(log, (CallLog{"Find velmora", "Add velmora"}));
    ASSERT_EQ(box.texts.size(), 1u);
    // "多重起動防止用のATOMの登録に失敗しました。"
    EXPECT_EQ(box.texts[0],
              "\x91\xBD\x8F\x64\x8B\x4E\x93\xAE\x96\x68\x8E\x7E\x97\x70\x82\xCC"
              "ATOM\x82\xCC\x93\x6F\x98\x5E\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD"
              "\x81\x42");
    // Shown before the application has its title: no caption and no icon of its own.
    EXPECT_EQ(box.captions[0], "");
    EXPECT_EQ(box.icons[0], MessageIcon::None);
}

}  // namespace
