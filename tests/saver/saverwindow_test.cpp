// SaverWindow: creation, show, input, close query, close, system commands, frames and the banner end,
// against fakes at the platform boundary and the real scene, timer component and settings.
#include "saver/saverwindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/common/systemcolors.h"
#include "platform/common/threadtimer.h"
#include "platform/memory/surface.h"
#include "platform/memory/virtualtimer.h"
#include "tests/support/memoryregistry.h"
#include "tests/support/saverfakes.h"

namespace {

constexpr WindowHandle kHost = 0x00C0FFEE;

// Counts the banner's texts and fills on their way to the memory surface.
class CountingSurface final : public DrawingSurface {
  public:
    explicit CountingSurface(MemorySurface& inner) : inner_(inner) {}
    void SetPixel(std::int32_t x, std::int32_t y, ColorValue c) override {
        ++pixels;
        inner_.SetPixel(x, y, c);
    }
    void TextOut(std::int32_t x, std::int32_t y, std::string_view s) override {
        ++texts;
        inner_.TextOut(x, y, s);
    }
    std::int32_t TextHeight(std::string_view s) override { return inner_.TextHeight(s); }
    void FillRect(const Rect32& r) override {
        ++fills;
        lastFill = r;
        inner_.FillRect(r);
    }
    void SetBrushColor(ColorValue c) override { inner_.SetBrushColor(c); }
    void SetFontSize(int points) override {
        fontPoints = points;
        inner_.SetFontSize(points);
    }
    void PrepareText(std::string_view s) override { inner_.PrepareText(s); }

    std::atomic<int> pixels{0};
    int texts = 0, fills = 0, fontPoints = 0;
    Rect32 lastFill;

  private:
    MemorySurface& inner_;
};

class SaverWindowTest : public ::testing::Test {
  protected:
    void Make(WindowHandle host) {
        form = std::make_unique<SaverWindow>(
            window, SaverPlatform{window, services, registry, modes, timer, box, random, clock},
            host);
        window.Attach(*form);
    }
    // Creation and show, as the framework runs them.
    void Open(WindowHandle host = 0) {
        Make(host);
        form->OnCreate();
        if (!window.closed) form->OnShow();
    }
    void RunFramesFor(std::int64_t ms) { virtualTimer.AdvanceTo(virtualTimer.Now() + ms); }
    void SetDesktopPassword(std::uint32_t value) {
        registry.Put("Control Panel\\desktop", "ScreenSaveUsePassword", kRegDword,
                     {static_cast<std::uint8_t>(value), 0, 0, 0});
    }

    CallLog log;
    MemoryRegistry registry;
    DefaultSystemColors colors;
    MemorySurface memory{1024, 768, colors};
    CountingSurface surface{memory};
    VirtualTimerService virtualTimer;
    LoggingTimer timer{virtualTimer, log};
    FakeWindow window{surface, log};
    FakeServices services{log};
    FakeDisplayModes modes{log};
    FakeMessageBox box;
    LcgRandom random;
    FixedClock clock{12345678};
    std::unique_ptr<SaverWindow> form;
};

// --- window parameters ---

// What a framework fills in for a borderless form, owned by its application window.
WindowCreateParams FrameworkDefaults() {
    WindowCreateParams params;
    params.Parent = 0x0A99;
    params.DoubleClicks = true;
    return params;
}

TEST_F(SaverWindowTest, RunModeWindowIsMadeTopMostKeepingTheFrameworkChoices) {
    Make(0);
    WindowCreateParams params = FrameworkDefaults();
    form->OnCreateParams(params);
    EXPECT_TRUE(params.TopMost);
    EXPECT_FALSE(params.Child);
    EXPECT_TRUE(params.DoubleClicks);
    EXPECT_EQ(params.Parent, 0x0A99u);
    EXPECT_FALSE(params.Disabled);
}

TEST_F(SaverWindowTest, PreviewWindowBecomesAVisibleDisabledChildOfTheHostDrawingOnIt) {
    Make(kHost);
    WindowCreateParams params = FrameworkDefaults();
    form->OnCreateParams(params);
    EXPECT_TRUE(params.Child);
    EXPECT_TRUE(params.Visible);
    EXPECT_TRUE(params.Disabled);
    EXPECT_TRUE(params.DrawsOnParent);
    EXPECT_EQ(params.Parent, kHost);
    // Nothing of the framework's top-level choices remains.
    EXPECT_FALSE(params.DoubleClicks);
    EXPECT_FALSE(params.TopMost);
}

// --- creation ---

TEST_F(SaverWindowTest, RunModeCoversThePrimaryScreenHidesTheCursorAndInitialisesTheScene) {
    Make(0);
    form->OnCreate();
    EXPECT_EQ(log, (CallLog{"BannerTimer on 5000", "SetBounds 0,0,1024x768", "CoverAreas", "ShowCursor FALSE",
                            "GetPlatformFamily", "DisableIme"}));
    EXPECT_EQ(window.cursorCount, -1);
    EXPECT_EQ(form->Family(), PlatformFamily::NT);
    EXPECT_TRUE(form->SceneReady());
    EXPECT_EQ(form->Scene().ViewWidth, 1024);
    EXPECT_EQ(form->Scene().ViewHeight, 768);
    EXPECT_EQ(form->FirstX(), -1);
    EXPECT_EQ(form->FirstY(), -1);
}

TEST_F(SaverWindowTest, AnyNonZeroDispModeGivesA640x480WindowButOnlyOneSwitchesTheDisplay) {
    for (const char* mode : {"2", "-1", "1"}) {
        log.clear();
        modes.requests.clear();
        window.closed = false;
        registry.PutText("Software\\Velmora", "DispMode", mode);
        Open(0);
        EXPECT_EQ(CountOf(log, "SetBounds 0,0,640x480"), 1) << mode;
        EXPECT_EQ(form->Scene().ViewWidth, 640);
        const bool switches = std::string(mode) == "1";
        EXPECT_EQ(CountOf(log, "ChangeDisplaySettings 640x480"), switches ? 1 : 0) << mode;
        form->OnKeyDown();
        EXPECT_EQ(CountOf(log, "ChangeDisplaySettings 1920x1080"), switches ? 1 : 0) << mode;
        form.reset();
    }
}

TEST_F(SaverWindowTest, DisplaySwitchComesAfterTheBannerFontAndBeforeTheFirstFrameIsArmed) {
    registry.PutText("Software\\Velmora", "DispMode", "1");
    Open(0);
    const int hide = IndexOf(log, "HideApplicationWindow");
    const int change = IndexOf(log, "ChangeDisplaySettings 640x480");
    const int armed = IndexOf(log, "SetEvent 30");
    ASSERT_GE(hide, 0);
    EXPECT_LT(hide, change);
    EXPECT_LT(change, armed);
    EXPECT_EQ(surface.fontPoints, 10);  // 640 pixels wide
}

TEST_F(SaverWindowTest, TheDriveTakesThePrimaryMonitorAndTheOthersAreCoveredInBlack) {
    // The primary is right of the other one, as an X desktop may have it.
    window.monitors = {{{0, 0, 1280, 1024}, false}, {{1280, 0, 2304, 768}, true}};
    Open(0);
    EXPECT_EQ(CountOf(log, "SetBounds 1280,0,1024x768"), 1);
    EXPECT_EQ(CountOf(log, "CoverAreas 0,0,1280,1024"), 1);
    // Input there ends the saver as input on the drive does.
    form->OnMouseMove(-5, 100);
    form->OnMouseMove(-6, 100);
    EXPECT_TRUE(window.closed);
}

TEST_F(SaverWindowTest, AfterTheSwitchTo640x480TheCoversFollowTheMonitorsWhereTheyMoved) {
    registry.PutText("Software\\Velmora", "DispMode", "1");
    window.monitors = {{{0, 0, 1920, 1080}, true}, {{1920, 0, 3200, 1024}, false}};
    Make(0);
    form->OnCreate();
    EXPECT_EQ(CountOf(log, "SetBounds 0,0,640x480"), 1);
    EXPECT_EQ(CountOf(log, "CoverAreas 1920,0,3200,1024"), 1);
    // The primary shrinks and the desktop closes up behind it.
    window.monitors = {{{0, 0, 640, 480}, true}, {{640, 0, 1920, 1024}, false}};
    form->OnShow();
    const int change = IndexOf(log, "ChangeDisplaySettings 640x480");
    const int covers = IndexOf(log, "CoverAreas 640,0,1920,1024");
    ASSERT_GE(change, 0);
    EXPECT_GT(covers, change);
}

TEST_F(SaverWindowTest, PreviewTakesTheHostsOuterSizeAndLeavesCursorAndPlatformAlone) {
    window.monitors = {{{0, 0, 1024, 768}, true}, {{1024, 0, 2048, 768}, false}};
    Open(kHost);
    EXPECT_EQ(IndexOf(log, "GetWindowRect " + std::to_string(kHost)), 1);
    EXPECT_EQ(CountOf(log, "SetBounds 0,0,152x112"), 1);
    EXPECT_EQ(CountOf(log, "GetPlatformFamily"), 0);
    EXPECT_EQ(CountOf(log, "ShowCursor FALSE"), 0);
    EXPECT_EQ(form->Scene().ViewWidth, 152);
    EXPECT_EQ(form->Scene().ViewHeight, 112);
    EXPECT_EQ(surface.fontPoints, 5);
    EXPECT_EQ(CountOf(log, "SetEvent 30"), 1);
    // A preview stays inside its host, whatever monitors there are.
    for (const auto& entry : log) EXPECT_NE(entry.rfind("CoverAreas", 0), 0u) << entry;
}

TEST_F(SaverWindowTest, PreviewOfAHostThatIsNotAWindowEndsWithoutDrawing) {
    window.hostExists = false;
    Open(kHost);
    EXPECT_TRUE(window.closed);
    EXPECT_FALSE(form->SceneReady());
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
}

TEST_F(SaverWindowTest, SpeedSettingBecomesTheFrameDelayClampedByTheTimer) {
    registry.PutText("Software\\Velmora", "Speed", "55");
    Open(0);
    EXPECT_EQ(form->Timer().Delay(), 55);
    EXPECT_EQ(virtualTimer.LastDelay(), 55u);
    EXPECT_EQ(form->Timer().Resolution(), 1);
    EXPECT_EQ(form->Timer().EventType(), TimerEventType::PERIODIC);
}

TEST_F(SaverWindowTest, CommandLineSettingsOverrideTheStoredOnesForTheRunAndWriteNothing) {
    registry.PutText("Software\\Velmora", "Speed", "40");
    registry.PutText("Software\\Velmora", "UpDown", "3");
    registry.PutText("Software\\Velmora", "Comet", "1");
    const std::vector<SettingOverride> overrides{{"Speed", "20"}, {"StarScroll", "1"}};
    form = std::make_unique<SaverWindow>(
        window, SaverPlatform{window, services, registry, modes, timer, box, random, clock}, 0,
        overrides);
    window.Attach(*form);
    form->OnCreate();
    EXPECT_EQ(form->Timer().Delay(), 20);
    EXPECT_TRUE(form->Settings().StarScroll);
    // What the command line leaves alone stays as stored.
    EXPECT_EQ(form->Settings().UpDown, 3);
    EXPECT_TRUE(form->Settings().Comet);
    EXPECT_EQ(registry.GetText("Software\\Velmora", "Speed"), "40");
    EXPECT_EQ(registry.ValueNames("Software\\Velmora"),
              (std::vector<std::string>{"Speed", "UpDown", "Comet"}));
}

TEST_F(SaverWindowTest, Win9xSetsTheScreenSaverRunningFlagAtCreationAndClearsItAtClose) {
    services.family = PlatformFamily::Windows9x;
    Open(0);
    EXPECT_EQ(CountOf(log, "ScreenSaverRunning 1"), 1);
    EXPECT_GT(IndexOf(log, "ScreenSaverRunning 1"), IndexOf(log, "GetPlatformFamily"));
    form->OnKeyDown();
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(CountOf(log, "ScreenSaverRunning 0"), 1);
}

TEST_F(SaverWindowTest, NtFamilyNeverTouchesTheScreenSaverRunningFlag) {
    Open(0);
    form->OnKeyDown();
    EXPECT_EQ(CountOf(log, "ScreenSaverRunning 1") + CountOf(log, "ScreenSaverRunning 0"), 0);
}

TEST_F(SaverWindowTest, FailedVersionQueryClosesAndNoFrameEverRuns) {
    services.versionWorks = false;
    Open(0);
    EXPECT_EQ(window.closeRequests, 1);
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(form->Family(), PlatformFamily::Unknown);
    EXPECT_FALSE(form->SceneReady());
    EXPECT_EQ(CountOf(log, "DisableIme"), 0);
    RunFramesFor(1000);
    EXPECT_EQ(surface.pixels.load(), 0);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
}

TEST_F(SaverWindowTest, SettingsErrorIsReportedAsTheStandardMessageAndEndsTheSaver) {
    registry.PutText("Software\\Velmora", "Speed", "70");
    registry.PutText("Software\\Velmora", "star2_Color", "notacolour");
    Open(0);
    ASSERT_EQ(box.texts.size(), 1u);
    // "'notacolour' は整数ではありません." : the full stop added by the report
    EXPECT_EQ(box.texts[0],
              "'notacolour' \x82\xCD\x90\xAE\x90\x94\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82"
              "\xB9\x82\xF1.");
    EXPECT_EQ(box.captions[0], "Velmora");
    EXPECT_EQ(box.icons[0], MessageIcon::Stop);
    EXPECT_TRUE(window.closed);
    EXPECT_FALSE(form->SceneReady());
    EXPECT_EQ(registry.OpenHandles(), 0u);  // the settings reader was released
    RunFramesFor(1000);
    EXPECT_EQ(surface.pixels.load(), 0);
}

// --- input ---

TEST_F(SaverWindowTest, FirstMouseMoveOnlyRecordsThePositionAndTheSamePositionDoesNothing) {
    Open(0);
    form->OnMouseMove(300, 200);
    EXPECT_EQ(form->FirstX(), 300);
    EXPECT_EQ(form->FirstY(), 200);
    form->OnMouseMove(300, 200);
    EXPECT_EQ(window.closeRequests, 0);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
}

TEST_F(SaverWindowTest, OnePixelOfMovementInXOrYEndsTheSaver) {
    for (auto [dx, dy] : {std::pair{1, 0}, std::pair{0, -1}}) {
        window.closed = false;
        Open(0);
        form->OnMouseMove(300, 200);
        form->OnMouseMove(300 + dx, 200 + dy);
        EXPECT_TRUE(window.closed);
        EXPECT_EQ(virtualTimer.ArmedCount(), 0);
        form.reset();
    }
}

TEST_F(SaverWindowTest, KeyAndButtonStopTheFrameTimerBeforeAskingToClose) {
    for (int which = 0; which < 2; ++which) {
        window.closed = false;
        Open(0);
        log.clear();
        if (which == 0)
            form->OnKeyDown();
        else
            form->OnMouseDown();
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[0], "KillEvent");
        EXPECT_EQ(log[1], "Close");
        EXPECT_TRUE(window.closed);
        EXPECT_EQ(window.cursorCount, 0);  // hidden at creation, shown at close
        form.reset();
    }
}

TEST_F(SaverWindowTest, PreviewIgnoresAllInputAndItsCloseStillShowsTheCursorOnce) {
    Open(kHost);
    form->OnKeyDown();
    form->OnMouseDown();
    form->OnMouseMove(1, 1);
    form->OnMouseMove(50, 60);
    EXPECT_EQ(window.closeRequests, 0);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
    window.Close();
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(CountOf(log, "ShowCursor TRUE"), 1);
    EXPECT_EQ(CountOf(log, "ShowCursor FALSE"), 0);
}

TEST_F(SaverWindowTest, HostGoingAwayStopsTheTimerAndEndsThePreview) {
    Open(kHost);
    log.clear();
    form->OnHostGone();
    EXPECT_EQ(log[0], "KillEvent");
    EXPECT_EQ(log[1], "Close");
    EXPECT_TRUE(window.closed);
    RunFramesFor(1000);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
}

// --- close query ---

TEST_F(SaverWindowTest, NtFamilyAllowsTheCloseWhateverThePasswordOptionHolds) {
    SetDesktopPassword(1);
    Open(0);
    registry.ClearLog();
    bool canClose = false;
    form->OnCloseQuery(canClose);
    EXPECT_TRUE(canClose);
    EXPECT_TRUE(registry.Log().empty());
    EXPECT_EQ(CountOf(log, "VerifyScreenSavePwd C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL 16962"), 0);
}

TEST_F(SaverWindowTest, MissingPasswordOptionIsCreatedAsZeroAndTheCloseAllowed) {
    services.family = PlatformFamily::Windows9x;
    registry.Put("Control Panel\\desktop", "Wallpaper", kRegSz, {0});
    Open(0);
    bool canClose = false;
    form->OnCloseQuery(canClose);
    EXPECT_TRUE(canClose);
    auto stored = registry.Get("Control Panel\\desktop", "ScreenSaveUsePassword");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->Type, kRegDword);
    EXPECT_EQ(stored->Data, (std::vector<std::uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST_F(SaverWindowTest, UnopenableDesktopKeyAllowsTheCloseWithoutCreatingIt) {
    services.family = PlatformFamily::Windows9x;
    Open(0);
    bool canClose = false;
    form->OnCloseQuery(canClose);
    EXPECT_TRUE(canClose);
    EXPECT_FALSE(registry.KeyExists("Control Panel\\desktop"));
}

TEST_F(SaverWindowTest, PasswordOptionOfAnotherTypeStillLetsTheSaverClose) {
    services.family = PlatformFamily::Windows9x;
    registry.PutText("Control Panel\\desktop", "ScreenSaveUsePassword", "1");
    Open(0);
    bool canClose = false;
    form->OnCloseQuery(canClose);
    EXPECT_TRUE(canClose);
}

TEST_F(SaverWindowTest, AcceptedPasswordShowsTheCursorForTheDialogAndAllowsTheClose) {
    services.family = PlatformFamily::Windows9x;
    SetDesktopPassword(1);
    Open(0);
    log.clear();
    form->OnKeyDown();
    EXPECT_EQ(log, (CallLog{"KillEvent", "Close", "KillEvent", "ShowCursor TRUE",
                            "VerifyScreenSavePwd C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL 16962",
                            "ScreenSaverRunning 0", "ShowCursor TRUE"}));
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST_F(SaverWindowTest, SystemDirectoryEndingInABackslashGetsNoSecondOne) {
    services.family = PlatformFamily::Windows9x;
    services.systemDirectory = "C:\\";
    SetDesktopPassword(1);
    Open(0);
    form->OnKeyDown();
    EXPECT_EQ(CountOf(log, "VerifyScreenSavePwd C:\\PASSWORD.CPL 16962"), 1);
}

TEST_F(SaverWindowTest, MissingPasswordServiceAllowsTheClose) {
    services.family = PlatformFamily::Windows9x;
    services.password = PasswordCheck::Unavailable;
    SetDesktopPassword(1);
    Open(0);
    form->OnKeyDown();
    EXPECT_TRUE(window.closed);
}

TEST_F(SaverWindowTest, RefusedPasswordKeepsTheSaverRunningWithAFreshFirstPosition) {
    services.family = PlatformFamily::Windows9x;
    services.password = PasswordCheck::Refused;
    SetDesktopPassword(1);
    Open(0);
    form->OnMouseMove(10, 10);
    log.clear();
    form->OnMouseMove(11, 10);
    EXPECT_FALSE(window.closed);
    EXPECT_EQ(log, (CallLog{"KillEvent", "Close", "KillEvent", "ShowCursor TRUE",
                            "VerifyScreenSavePwd C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL 16962",
                            "ShowCursor FALSE", "SetEvent 30"}));
    EXPECT_EQ(window.cursorCount, -1);
    EXPECT_EQ(form->FirstX(), -1);
    EXPECT_EQ(form->FirstY(), -1);
    EXPECT_EQ(registry.OpenHandles(), 0u);

    // Frames go on, and the next movement only records a new first position.
    const int before = surface.pixels.load();
    RunFramesFor(200);
    EXPECT_GT(surface.pixels.load(), before);
    form->OnMouseMove(500, 400);
    EXPECT_EQ(form->FirstX(), 500);
    EXPECT_EQ(window.closeRequests, 1);
}

// --- system commands ---

TEST_F(SaverWindowTest, ScreenSaveCommandIsAnsweredWithOneInBothModesAndOthersPassOn) {
    for (WindowHandle host : {WindowHandle{0}, kHost}) {
        Make(host);
        std::intptr_t result = 0;
        EXPECT_TRUE(form->OnSystemCommand(SystemCommand::ScreenSave, result));
        EXPECT_EQ(result, 1);
        result = 7;
        EXPECT_FALSE(form->OnSystemCommand(SystemCommand::Other, result));
        EXPECT_EQ(result, 7);
        form.reset();
    }
}

// --- frames and the banner ---

TEST_F(SaverWindowTest, EachFrameDrawsFlushesAndRearmsExactlyOneEvent) {
    Open(0);
    RunFramesFor(30);
    EXPECT_GT(surface.pixels.load(), 0);
    EXPECT_EQ(window.flushes, 1);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
    RunFramesFor(300);
    EXPECT_EQ(window.flushes, 11);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
}

TEST_F(SaverWindowTest, BannerEndDisablesTheBannerTimerFillsTheViewOnceAndLaterFramesDrawNoText) {
    Open(0);
    RunFramesFor(90);
    EXPECT_EQ(surface.texts, 6);  // two lines in each of three frames
    form->OnBannerEnd();
    EXPECT_FALSE(window.timer1On);
    EXPECT_EQ(surface.fills, 1);
    EXPECT_EQ(surface.lastFill.Right, 1024);
    EXPECT_EQ(surface.lastFill.Bottom, 768);
    RunFramesFor(300);
    EXPECT_EQ(surface.texts, 6);
}

TEST_F(SaverWindowTest, NoFrameRunsOrRearmsAfterTheWindowThreadHasStoppedTheTimer) {
    Open(0);
    RunFramesFor(60);
    form->OnKeyDown();
    const int pixels = surface.pixels.load();
    RunFramesFor(1000);
    EXPECT_EQ(surface.pixels.load(), pixels);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
}

// A frame whose event had fired before the window thread stopped the timer, but which reaches the
// form only afterwards, as on a timer thread that was descheduled in between.
TEST_F(SaverWindowTest, FrameArrivingAfterTheWindowThreadStoppedDrawsAndArmsNothing) {
    for (WindowHandle host : {WindowHandle{0}, kHost}) {
        window.closed = false;
        Open(host);
        RunFramesFor(60);
        const TimerProc frame = timer.lastProc;
        void* const user = timer.lastUser;
        ASSERT_NE(frame, nullptr);
        if (host == 0)
            form->OnKeyDown();
        else
            form->OnHostGone();
        const int pixels = surface.pixels.load();
        const int flushes = window.flushes;
        log.clear();
        frame(user);
        EXPECT_EQ(surface.pixels.load(), pixels);
        EXPECT_EQ(window.flushes, flushes);
        EXPECT_EQ(CountOf(log, "SetEvent 30"), 0);
        EXPECT_EQ(virtualTimer.ArmedCount(), 0);
        EXPECT_FALSE(form->Timer().Running());
        form.reset();
    }
}

// The hand-over on real threads: frames at the shortest period on the timer thread while the
// window thread closes. Meant to run under ThreadSanitizer as well.
TEST(SaverWindowThreads, CloseOnTheWindowThreadLeavesNoFrameRunningOrArmed) {
    for (int round = 0; round < 40; ++round) {
        CallLog log;
        MemoryRegistry registry;
        registry.PutText("Software\\Velmora", "Speed", "1");
        DefaultSystemColors colors;
        MemorySurface memory{320, 240, colors};
        CountingSurface surface{memory};
        ThreadTimerService threadTimer;
        FakeWindow window{surface, log};
        window.screenWidth = 320;
        window.screenHeight = 240;
        FakeServices services{log};
        FakeDisplayModes modes{log};
        FakeMessageBox box;
        LcgRandom random;
        FixedClock clock{1000};
        // The log is only written on the window thread here: the timer is not wrapped.
        auto form = std::make_unique<SaverWindow>(
            window,
            SaverPlatform{window, services, registry, modes, threadTimer, box, random, clock}, 0);
        window.Attach(*form);
        form->OnCreate();
        form->OnShow();
        while (surface.pixels.load() == 0) std::this_thread::yield();
        if (round % 2 == 0) form->OnBannerEnd();  // the banner end races the frames too
        form->OnKeyDown();
        ASSERT_TRUE(window.closed);
        EXPECT_FALSE(form->Timer().Running());
        const int pixels = surface.pixels.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(surface.pixels.load(), pixels);
        form.reset();
    }
}

}  // namespace
