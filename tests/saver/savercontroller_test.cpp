// SaverController: creation, show, input, close query, close, system commands, frames and the
// banner end, against fakes at the platform boundary and the real scene, timer component and
// settings.
#include "saver/savercontroller.h"

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
    explicit CountingSurface(MemorySurface& inner) : Inner(inner) {}
    void SetPixel(std::int32_t x, std::int32_t y, ColorValue c) override {
        ++pixels;
        Inner.SetPixel(x, y, c);
    }
    void TextOut(std::int32_t x, std::int32_t y, std::string_view s) override {
        ++texts;
        Inner.TextOut(x, y, s);
    }
    std::int32_t TextHeight(std::string_view s) override { return Inner.TextHeight(s); }
    void FillRect(const Rect32& r) override {
        ++fills;
        lastFill = r;
        Inner.FillRect(r);
    }
    void SetBrushColor(ColorValue c) override { Inner.SetBrushColor(c); }
    void SetFontSize(int points) override {
        fontPoints = points;
        Inner.SetFontSize(points);
    }
    void PrepareText(std::string_view s) override { Inner.PrepareText(s); }

    std::atomic<int> pixels{0};
    int texts = 0, fills = 0, fontPoints = 0;
    Rect32 lastFill;

  private:
    MemorySurface& Inner;
};

class SaverControllerTest : public ::testing::Test {
  protected:
    void Make(WindowHandle host) {
        controller = std::make_unique<SaverController>(
            window, SaverPlatform{window, saverHooks, registry, modes, timer, box, random, clock},
            host);
        window.Attach(*controller);
    }
    // Creation and show, as the framework runs them.
    void Open(WindowHandle host = 0) {
        Make(host);
        controller->OnCreate();
        if (!window.closed) controller->OnShow();
    }
    // Run mode with a session that can be locked, and the desktop's password options as given.
    void OpenWithLocker(std::string_view isSecure, std::string_view grace) {
        if (!isSecure.empty()) registry.PutText(kDesktop, "ScreenSaverIsSecure", isSecure);
        if (!grace.empty()) registry.PutText(kDesktop, "ScreenSaverGracePeriod", grace);
        Make(0);
        controller->UseSessionLocker(locker);
        controller->OnCreate();
        controller->OnShow();
    }
    // Secure with a grace period of one second, which has passed, and a key pressed.
    void PressKeyPastTheGrace() {
        OpenWithLocker("1", "1");
        locker.AdvanceTo(locker.now + 1500);
        controller->OnKeyDown();
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
    FakeSaverHooks saverHooks{log};
    FakeDisplayModes modes{log};
    FakeMessageBox box;
    LcgRandom random;
    FixedClock clock{12345678};
    FakeSessionLocker locker{log};
    std::unique_ptr<SaverController> controller;
    static constexpr std::string_view kDesktop = "Control Panel\\desktop";
};

// --- window parameters ---

// What a framework fills in for a borderless controller, owned by its application window.
WindowCreateParams FrameworkDefaults() {
    WindowCreateParams params;
    params.Parent = 0x0A99;
    params.DoubleClicks = true;
    return params;
}

TEST_F(SaverControllerTest, RunModeWindowIsMadeTopMostKeepingTheFrameworkChoices) {
    Make(0);
    WindowCreateParams params = FrameworkDefaults();
    controller->OnCreateParams(params);
    EXPECT_TRUE(params.TopMost);
    EXPECT_FALSE(params.Child);
    EXPECT_TRUE(params.DoubleClicks);
    EXPECT_EQ(params.Parent, 0x0A99u);
    EXPECT_FALSE(params.Disabled);
}

TEST_F(SaverControllerTest, PreviewWindowBecomesAVisibleDisabledChildOfTheHostDrawingOnIt) {
    Make(kHost);
    WindowCreateParams params = FrameworkDefaults();
    controller->OnCreateParams(params);
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

TEST_F(SaverControllerTest, RunModeCoversThePrimaryScreenHidesTheCursorAndInitialisesTheScene) {
    Make(0);
    controller->OnCreate();
    EXPECT_EQ(log, (CallLog{"BannerTimer on 5000", "SetBounds 0,0,1024x768", "CoverAreas",
                            "ShowCursor FALSE", "GetPlatformFamily", "DisableIme"}));
    EXPECT_EQ(window.cursorCount, -1);
    EXPECT_EQ(controller->Family(), PlatformFamily::NT);
    EXPECT_TRUE(controller->SceneReady());
    EXPECT_EQ(controller->Scene().ViewWidth, 1024);
    EXPECT_EQ(controller->Scene().ViewHeight, 768);
    EXPECT_EQ(controller->FirstX(), -1);
    EXPECT_EQ(controller->FirstY(), -1);
}

TEST_F(SaverControllerTest, AnyNonZeroDispModeGivesA640x480WindowButOnlyOneSwitchesTheDisplay) {
    for (const char* mode : {"2", "-1", "1"}) {
        log.clear();
        modes.requests.clear();
        window.closed = false;
        registry.PutText("Software\\Velmora", "DispMode", mode);
        Open(0);
        EXPECT_EQ(CountOf(log, "SetBounds 0,0,640x480"), 1) << mode;
        EXPECT_EQ(controller->Scene().ViewWidth, 640);
        const bool switches = std::string(mode) == "1";
        EXPECT_EQ(CountOf(log, "ChangeDisplaySettings 640x480"), switches ? 1 : 0) << mode;
        controller->OnKeyDown();
        EXPECT_EQ(CountOf(log, "ChangeDisplaySettings 1920x1080"), switches ? 1 : 0) << mode;
        controller.reset();
    }
}

TEST_F(SaverControllerTest, DisplaySwitchComesAfterTheBannerFontAndBeforeTheFirstFrameIsArmed) {
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

TEST_F(SaverControllerTest, TheDriveTakesThePrimaryMonitorAndTheOthersAreCoveredInBlack) {
    // The primary is right of the other one, as an X desktop may have it.
    window.monitors = {{{0, 0, 1280, 1024}, false}, {{1280, 0, 2304, 768}, true}};
    Open(0);
    EXPECT_EQ(CountOf(log, "SetBounds 1280,0,1024x768"), 1);
    EXPECT_EQ(CountOf(log, "CoverAreas 0,0,1280,1024"), 1);
    // Input there ends the saver as input on the drive does.
    controller->OnMouseMove(-5, 100);
    controller->OnMouseMove(-6, 100);
    EXPECT_TRUE(window.closed);
}

TEST_F(SaverControllerTest, APrimaryMadeElsewhereTakesTheDriveAtItsSizeAndTheOldOneACover) {
    window.monitors = {{{0, 0, 1024, 768}, true}, {{1024, 0, 1824, 600}, false}};
    Open(0);
    RunFramesFor(3000);
    log.clear();
    window.monitors = {{{0, 0, 1024, 768}, false}, {{1024, 0, 1824, 600}, true}};
    window.screenWidth = 800;
    window.screenHeight = 600;
    controller->OnPrimaryMonitorChanged();
    EXPECT_EQ(log.front(), "KillEvent") << "frames stop before the layout changes";
    EXPECT_EQ(CountOf(log, "SetBounds 1024,0,800x600"), 1);
    EXPECT_EQ(CountOf(log, "CoverAreas 0,0,1024,768"), 1);
    EXPECT_EQ(controller->Scene().ViewWidth, 800);
    EXPECT_EQ(controller->Scene().SkyFrameCount, 0) << "the drive starts afresh";
    EXPECT_EQ(surface.lastFill.Right, 800);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
    // Input on the cover that was the drive still ends the saver.
    controller->OnMouseMove(-5, 100);
    controller->OnMouseMove(-6, 100);
    EXPECT_TRUE(window.closed);
}

TEST_F(SaverControllerTest, APrimaryChangeKeepsA640x480DriveAndWakesNoFrameUnseenOrClosed) {
    registry.PutText("Software\\Velmora", "DispMode", "2");
    window.monitors = {{{0, 0, 1024, 768}, true}, {{1024, 0, 1824, 600}, false}};
    Open(0);
    controller->OnVisibilityChanged(false);
    window.monitors = {{{0, 0, 1024, 768}, false}, {{1024, 0, 1824, 600}, true}};
    controller->OnPrimaryMonitorChanged();
    EXPECT_EQ(CountOf(log, "SetBounds 1024,0,640x480"), 1);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0) << "nobody sees it: frames stay stopped";
    controller->OnVisibilityChanged(true);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);

    window.Close();
    log.clear();
    controller->OnPrimaryMonitorChanged();
    EXPECT_TRUE(log.empty()) << log.front();
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
}

TEST_F(SaverControllerTest, APreviewIgnoresPrimaryMonitorChanges) {
    Open(kHost);
    log.clear();
    controller->OnPrimaryMonitorChanged();
    EXPECT_TRUE(log.empty()) << log.front();
}

TEST_F(SaverControllerTest, AfterTheSwitchTo640x480TheCoversFollowTheMonitorsWhereTheyMoved) {
    registry.PutText("Software\\Velmora", "DispMode", "1");
    window.monitors = {{{0, 0, 1920, 1080}, true}, {{1920, 0, 3200, 1024}, false}};
    Make(0);
    controller->OnCreate();
    EXPECT_EQ(CountOf(log, "SetBounds 0,0,640x480"), 1);
    EXPECT_EQ(CountOf(log, "CoverAreas 1920,0,3200,1024"), 1);
    // The primary shrinks and the desktop closes up behind it.
    window.monitors = {{{0, 0, 640, 480}, true}, {{640, 0, 1920, 1024}, false}};
    controller->OnShow();
    const int change = IndexOf(log, "ChangeDisplaySettings 640x480");
    const int covers = IndexOf(log, "CoverAreas 640,0,1920,1024");
    ASSERT_GE(change, 0);
    EXPECT_GT(covers, change);
}

TEST_F(SaverControllerTest, PreviewTakesTheHostsOuterSizeAndLeavesCursorAndPlatformAlone) {
    window.monitors = {{{0, 0, 1024, 768}, true}, {{1024, 0, 2048, 768}, false}};
    Open(kHost);
    EXPECT_EQ(IndexOf(log, "GetWindowRect " + std::to_string(kHost)), 1);
    EXPECT_EQ(CountOf(log, "SetBounds 0,0,152x112"), 1);
    EXPECT_EQ(CountOf(log, "GetPlatformFamily"), 0);
    EXPECT_EQ(CountOf(log, "ShowCursor FALSE"), 0);
    EXPECT_EQ(controller->Scene().ViewWidth, 152);
    EXPECT_EQ(controller->Scene().ViewHeight, 112);
    EXPECT_EQ(surface.fontPoints, 5);
    EXPECT_EQ(CountOf(log, "SetEvent 30"), 1);
    // A preview stays inside its host, whatever monitors there are.
    for (const auto& entry : log) EXPECT_NE(entry.rfind("CoverAreas", 0), 0u) << entry;
}

TEST_F(SaverControllerTest, PreviewOfAHostThatIsNotAWindowEndsWithoutDrawing) {
    window.hostExists = false;
    Open(kHost);
    EXPECT_TRUE(window.closed);
    EXPECT_FALSE(controller->SceneReady());
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
}

TEST_F(SaverControllerTest, SpeedSettingBecomesTheFrameDelayClampedByTheTimer) {
    registry.PutText("Software\\Velmora", "Speed", "55");
    Open(0);
    EXPECT_EQ(controller->Timer().Delay(), 55);
    EXPECT_EQ(virtualTimer.LastDelay(), 55u);
    EXPECT_EQ(controller->Timer().Resolution(), 1);
    EXPECT_EQ(controller->Timer().EventType(), TimerKind::Periodic);
}

TEST_F(SaverControllerTest, CommandLineSettingsOverrideTheStoredOnesForTheRunAndWriteNothing) {
    registry.PutText("Software\\Velmora", "Speed", "40");
    registry.PutText("Software\\Velmora", "UpDown", "3");
    registry.PutText("Software\\Velmora", "Comet", "1");
    const std::vector<SettingOverride> overrides{{"Speed", "20"}, {"StarScroll", "1"}};
    controller = std::make_unique<SaverController>(
        window, SaverPlatform{window, saverHooks, registry, modes, timer, box, random, clock}, 0,
        overrides);
    window.Attach(*controller);
    controller->OnCreate();
    EXPECT_EQ(controller->Timer().Delay(), 20);
    EXPECT_TRUE(controller->Settings().StarScroll);
    // What the command line leaves alone stays as stored.
    EXPECT_EQ(controller->Settings().UpDown, 3);
    EXPECT_TRUE(controller->Settings().Comet);
    EXPECT_EQ(registry.GetText("Software\\Velmora", "Speed"), "40");
    EXPECT_EQ(registry.ValueNames("Software\\Velmora"),
              (std::vector<std::string>{"Speed", "UpDown", "Comet"}));
}

TEST_F(SaverControllerTest, Win9xSetsTheScreenSaverRunningFlagAtCreationAndClearsItAtClose) {
    saverHooks.family = PlatformFamily::Windows9x;
    Open(0);
    EXPECT_EQ(CountOf(log, "ScreenSaverRunning 1"), 1);
    EXPECT_GT(IndexOf(log, "ScreenSaverRunning 1"), IndexOf(log, "GetPlatformFamily"));
    controller->OnKeyDown();
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(CountOf(log, "ScreenSaverRunning 0"), 1);
}

TEST_F(SaverControllerTest, NtFamilyNeverTouchesTheScreenSaverRunningFlag) {
    Open(0);
    controller->OnKeyDown();
    EXPECT_EQ(CountOf(log, "ScreenSaverRunning 1") + CountOf(log, "ScreenSaverRunning 0"), 0);
}

TEST_F(SaverControllerTest, FailedVersionQueryClosesAndNoFrameEverRuns) {
    saverHooks.versionWorks = false;
    Open(0);
    EXPECT_EQ(window.closeRequests, 1);
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(controller->Family(), PlatformFamily::Unknown);
    EXPECT_FALSE(controller->SceneReady());
    EXPECT_EQ(CountOf(log, "DisableIme"), 0);
    RunFramesFor(1000);
    EXPECT_EQ(surface.pixels.load(), 0);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
}

TEST_F(SaverControllerTest, SettingsErrorIsReportedAsTheStandardMessageAndEndsTheSaver) {
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
    EXPECT_FALSE(controller->SceneReady());
    EXPECT_EQ(registry.OpenHandles(), 0u);  // the settings reader was released
    RunFramesFor(1000);
    EXPECT_EQ(surface.pixels.load(), 0);
}

// --- input ---

TEST_F(SaverControllerTest, FirstMouseMoveOnlyRecordsThePositionAndTheSamePositionDoesNothing) {
    Open(0);
    controller->OnMouseMove(300, 200);
    EXPECT_EQ(controller->FirstX(), 300);
    EXPECT_EQ(controller->FirstY(), 200);
    controller->OnMouseMove(300, 200);
    EXPECT_EQ(window.closeRequests, 0);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
}

TEST_F(SaverControllerTest, OnePixelOfMovementInXOrYEndsTheSaver) {
    for (auto [dx, dy] : {std::pair{1, 0}, std::pair{0, -1}}) {
        window.closed = false;
        Open(0);
        controller->OnMouseMove(300, 200);
        controller->OnMouseMove(300 + dx, 200 + dy);
        EXPECT_TRUE(window.closed);
        EXPECT_EQ(virtualTimer.ArmedCount(), 0);
        controller.reset();
    }
}

TEST_F(SaverControllerTest, KeyAndButtonStopTheFrameTimerBeforeAskingToClose) {
    for (int which = 0; which < 2; ++which) {
        window.closed = false;
        Open(0);
        log.clear();
        if (which == 0)
            controller->OnKeyDown();
        else
            controller->OnMouseDown();
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[0], "KillEvent");
        EXPECT_EQ(log[1], "Close");
        EXPECT_TRUE(window.closed);
        EXPECT_EQ(window.cursorCount, 0);  // hidden at creation, shown at close
        controller.reset();
    }
}

TEST_F(SaverControllerTest, PreviewIgnoresAllInputAndItsCloseStillShowsTheCursorOnce) {
    Open(kHost);
    controller->OnKeyDown();
    controller->OnMouseDown();
    controller->OnMouseMove(1, 1);
    controller->OnMouseMove(50, 60);
    EXPECT_EQ(window.closeRequests, 0);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
    window.Close();
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(CountOf(log, "ShowCursor TRUE"), 1);
    EXPECT_EQ(CountOf(log, "ShowCursor FALSE"), 0);
}

TEST_F(SaverControllerTest, HostGoingAwayStopsTheTimerAndEndsThePreview) {
    Open(kHost);
    log.clear();
    controller->OnHostGone();
    EXPECT_EQ(log[0], "KillEvent");
    EXPECT_EQ(log[1], "Close");
    EXPECT_TRUE(window.closed);
    RunFramesFor(1000);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
}

// --- the activation taken by another program ---

TEST_F(SaverControllerTest, ActivationLostToAnotherProgramEndsTheSaverAsInputDoes) {
    Open(0);
    controller->OnActivated();
    log.clear();
    controller->OnActivationLost();
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
    // The same steps as a key: frames stopped before the close is asked.
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "KillEvent");
    EXPECT_EQ(log[1], "Close");
    EXPECT_EQ(window.cursorCount, 0);
}

TEST_F(SaverControllerTest, ActivationLostWhileBeingCreatedOrInAPreviewEndsNothing) {
    // Between the creation and the show: the window's own making moves the activation about.
    Make(0);
    controller->OnCreate();
    controller->OnActivated();
    controller->OnActivationLost();
    controller->OnShow();
    controller->OnActivationLost();
    EXPECT_EQ(window.closeRequests, 0);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
    controller.reset();

    Open(kHost);
    controller->OnActivated();
    controller->OnActivationLost();
    EXPECT_EQ(window.closeRequests, 0);
}

TEST_F(SaverControllerTest, ActivationLostDuringThePasswordDialogKeepsTheCheckAndCountsAfterIt) {
    saverHooks.family = PlatformFamily::Windows9x;
    saverHooks.password = PasswordCheck::Refused;
    SetDesktopPassword(1);
    Open(0);
    controller->OnActivated();
    // The user turns to another program from the dialog: the refused password still holds.
    saverHooks.whileDialogShows = [&] { controller->OnActivationLost(); };
    controller->OnKeyDown();
    EXPECT_FALSE(window.closed);
    EXPECT_EQ(window.closeRequests, 1);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);

    // Running again and given the activation, losing it asks for the password once more.
    saverHooks.whileDialogShows = nullptr;
    saverHooks.password = PasswordCheck::Accepted;
    controller->OnActivated();
    controller->OnActivationLost();
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(CountOf(log, "VerifyScreenSavePwd C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL 16962"), 2);
}

// --- a host that changes size ---

// The lit pixels of the memory surface inside and outside a box from the top-left corner.
struct LitCount {
    int Inside = 0, Outside = 0;
};
LitCount LitWithin(const MemorySurface& memory, std::int32_t width, std::int32_t height) {
    LitCount count;
    for (std::int32_t y = 0; y < memory.Height(); ++y)
        for (std::int32_t x = 0; x < memory.Width(); ++x)
            if (memory.Pixel(x, y) != 0) ++(x < width && y < height ? count.Inside : count.Outside);
    return count;
}

TEST_F(SaverControllerTest, ResizedHostGetsTheDriveLaidOutAsAFreshStartOfItsNewSize) {
    window.hostRect = {0, 0, 1024, 768};
    Open(kHost);
    RunFramesFor(3000);
    controller->OnBannerEnd();
    log.clear();
    controller->OnHostResized(800, 600);
    EXPECT_EQ(log.front(), "KillEvent") << "frames stop before the layout changes";
    EXPECT_EQ(CountOf(log, "SetBounds 0,0,800x600"), 1);
    EXPECT_EQ(surface.lastFill.Right, 800);
    EXPECT_EQ(surface.lastFill.Bottom, 600);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
    const SceneState resized = controller->Scene();

    // The same host started at 800x600 (the clock and so the random sources are the same).
    controller.reset();
    window.hostRect = {0, 0, 800, 600};
    Open(kHost);
    const SceneState& fresh = controller->Scene();
    EXPECT_EQ(resized.ViewWidth, 800);
    EXPECT_EQ(resized.HalfWidth, fresh.HalfWidth);
    EXPECT_EQ(resized.HalfHeight, fresh.HalfHeight);
    EXPECT_EQ(resized.RoadTop, fresh.RoadTop);
    EXPECT_EQ(resized.CourseSeed, fresh.CourseSeed);
    EXPECT_EQ(resized.StarBandHeight, fresh.StarBandHeight);
    EXPECT_EQ(resized.SkyFrameCount, 0);
    for (int i = 0; i < kStars; ++i) {
        EXPECT_EQ(resized.StarX[i], fresh.StarX[i]) << "star " << i;
        EXPECT_EQ(resized.StarY[i], fresh.StarY[i]) << "star " << i;
    }
    for (int i = 0; i < kTownLights; ++i) EXPECT_EQ(resized.TownY[i], fresh.TownY[i]) << i;
}

TEST_F(SaverControllerTest, FramesAfterAShrinkDrawOnlyInsideTheNewSizeAndGrowBackAfterAGrowth) {
    window.hostRect = {0, 0, 1024, 768};
    Open(kHost);
    controller->OnBannerEnd();
    RunFramesFor(3000);
    ASSERT_GT(LitWithin(memory, 1024, 768).Inside, 0);

    controller->OnHostResized(320, 240);
    // What lies outside the new size is the host's to clear; the test's surface starts black.
    memory.SetBrushColor(clBlack);
    memory.FillRect({0, 0, 1024, 768});
    RunFramesFor(3000);
    const LitCount small = LitWithin(memory, 320, 240);
    EXPECT_GT(small.Inside, 20);
    EXPECT_EQ(small.Outside, 0);

    controller->OnHostResized(1024, 768);
    RunFramesFor(3000);
    EXPECT_GT(LitWithin(memory, 1024, 768).Inside - LitWithin(memory, 320, 240).Inside, 20)
        << "the drive spreads over the grown host";
}

TEST_F(SaverControllerTest, MoveThatKeepsTheSizeLeavesTheDriveRunningAsItWas) {
    Open(kHost);
    RunFramesFor(300);
    const std::int32_t skyFrames = controller->Scene().SkyFrameCount;
    const int fills = surface.fills;
    log.clear();
    controller->OnHostResized(152, 112);
    EXPECT_TRUE(log.empty()) << log.front();
    EXPECT_EQ(surface.fills, fills);
    EXPECT_EQ(controller->Scene().SkyFrameCount, skyFrames);
}

TEST_F(SaverControllerTest, RunModeAndAClosedPreviewIgnoreHostSizes) {
    Open(0);
    controller->OnHostResized(640, 480);
    EXPECT_EQ(CountOf(log, "SetBounds 0,0,640x480"), 0);
    EXPECT_EQ(controller->Scene().ViewWidth, 1024);

    controller.reset();
    Open(kHost);
    controller->OnHostGone();
    log.clear();
    controller->OnHostResized(640, 480);
    EXPECT_TRUE(log.empty()) << log.front();
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
}

TEST_F(SaverControllerTest, TheWindowIsToldWhileFramesRunAndNotByAControllerGoingAway) {
    // A window whose frames read its events for it watches for them itself again only when told
    // the frames stopped: it is told each time, and only while it is there to be told.
    Make(0);
    controller->OnCreate();
    EXPECT_FALSE(window.framesRunning) << "no frame before the show";
    controller->OnShow();
    EXPECT_TRUE(window.framesRunning);
    controller->OnVisibilityChanged(false);
    EXPECT_FALSE(window.framesRunning);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
    controller->OnVisibilityChanged(true);
    EXPECT_TRUE(window.framesRunning);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
    window.Close();
    EXPECT_FALSE(window.framesRunning);
    const int told = window.framesTold;
    controller.reset();
    EXPECT_EQ(window.framesTold, told);
}

TEST_F(SaverControllerTest, ResizeLeavesFramesStoppedWhileUnseenAndBeforeTheShow) {
    Open(kHost);
    controller->OnVisibilityChanged(false);
    controller->OnHostResized(400, 300);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
    controller->OnVisibilityChanged(true);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
    EXPECT_EQ(controller->Scene().ViewWidth, 400);

    controller.reset();
    Make(kHost);
    controller->OnCreate();
    controller->OnHostResized(400, 300);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0) << "no frame before the show";
    controller->OnShow();
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
    EXPECT_EQ(controller->Width(), 400);
}

// --- close query ---

TEST_F(SaverControllerTest, NtFamilyAllowsTheCloseWhateverThePasswordOptionHolds) {
    SetDesktopPassword(1);
    Open(0);
    registry.ClearLog();
    bool canClose = false;
    controller->OnCloseQuery(canClose);
    EXPECT_TRUE(canClose);
    EXPECT_TRUE(registry.Log().empty());
    EXPECT_EQ(CountOf(log, "VerifyScreenSavePwd C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL 16962"), 0);
}

TEST_F(SaverControllerTest, MissingPasswordOptionIsCreatedAsZeroAndTheCloseAllowed) {
    saverHooks.family = PlatformFamily::Windows9x;
    registry.Put("Control Panel\\desktop", "Wallpaper", kRegSz, {0});
    Open(0);
    bool canClose = false;
    controller->OnCloseQuery(canClose);
    EXPECT_TRUE(canClose);
    auto stored = registry.Get("Control Panel\\desktop", "ScreenSaveUsePassword");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->Type, kRegDword);
    EXPECT_EQ(stored->Data, (std::vector<std::uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST_F(SaverControllerTest, UnopenableDesktopKeyAllowsTheCloseWithoutCreatingIt) {
    saverHooks.family = PlatformFamily::Windows9x;
    Open(0);
    bool canClose = false;
    controller->OnCloseQuery(canClose);
    EXPECT_TRUE(canClose);
    EXPECT_FALSE(registry.KeyExists("Control Panel\\desktop"));
}

TEST_F(SaverControllerTest, PasswordOptionOfAnotherTypeStillLetsTheSaverClose) {
    saverHooks.family = PlatformFamily::Windows9x;
    registry.PutText("Control Panel\\desktop", "ScreenSaveUsePassword", "1");
    Open(0);
    bool canClose = false;
    controller->OnCloseQuery(canClose);
    EXPECT_TRUE(canClose);
}

TEST_F(SaverControllerTest, AcceptedPasswordShowsTheCursorForTheDialogAndAllowsTheClose) {
    saverHooks.family = PlatformFamily::Windows9x;
    SetDesktopPassword(1);
    Open(0);
    log.clear();
    controller->OnKeyDown();
    EXPECT_EQ(log, (CallLog{"KillEvent", "Close", "KillEvent", "ShowCursor TRUE",
                            "VerifyScreenSavePwd C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL 16962",
                            "ScreenSaverRunning 0", "ShowCursor TRUE"}));
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST_F(SaverControllerTest, SystemDirectoryEndingInABackslashGetsNoSecondOne) {
    saverHooks.family = PlatformFamily::Windows9x;
    saverHooks.systemDirectory = "C:\\";
    SetDesktopPassword(1);
    Open(0);
    controller->OnKeyDown();
    EXPECT_EQ(CountOf(log, "VerifyScreenSavePwd C:\\PASSWORD.CPL 16962"), 1);
}

TEST_F(SaverControllerTest, MissingPasswordServiceAllowsTheClose) {
    saverHooks.family = PlatformFamily::Windows9x;
    saverHooks.password = PasswordCheck::Unavailable;
    SetDesktopPassword(1);
    Open(0);
    controller->OnKeyDown();
    EXPECT_TRUE(window.closed);
}

TEST_F(SaverControllerTest, RefusedPasswordKeepsTheSaverRunningWithAFreshFirstPosition) {
    saverHooks.family = PlatformFamily::Windows9x;
    saverHooks.password = PasswordCheck::Refused;
    SetDesktopPassword(1);
    Open(0);
    controller->OnMouseMove(10, 10);
    log.clear();
    controller->OnMouseMove(11, 10);
    EXPECT_FALSE(window.closed);
    EXPECT_EQ(log, (CallLog{"KillEvent", "Close", "KillEvent", "ShowCursor TRUE",
                            "VerifyScreenSavePwd C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL 16962",
                            "ShowCursor FALSE", "SetEvent 30"}));
    EXPECT_EQ(window.cursorCount, -1);
    EXPECT_EQ(controller->FirstX(), -1);
    EXPECT_EQ(controller->FirstY(), -1);
    EXPECT_EQ(registry.OpenHandles(), 0u);

    // Frames go on, and the next movement only records a new first position.
    const int before = surface.pixels.load();
    RunFramesFor(200);
    EXPECT_GT(surface.pixels.load(), before);
    controller->OnMouseMove(500, 400);
    EXPECT_EQ(controller->FirstX(), 500);
    EXPECT_EQ(window.closeRequests, 1);
}

// --- system commands ---

TEST_F(SaverControllerTest, ScreenSaveCommandIsAnsweredWithOneInBothModesAndOthersPassOn) {
    for (WindowHandle host : {WindowHandle{0}, kHost}) {
        Make(host);
        std::intptr_t result = 0;
        EXPECT_TRUE(controller->OnSystemCommand(SystemCommand::ScreenSave, result));
        EXPECT_EQ(result, 1);
        result = 7;
        EXPECT_FALSE(controller->OnSystemCommand(SystemCommand::Other, result));
        EXPECT_EQ(result, 7);
        controller.reset();
    }
}

// --- frames and the banner ---

TEST_F(SaverControllerTest, EachFrameDrawsFlushesAndRearmsExactlyOneEvent) {
    Open(0);
    RunFramesFor(30);
    EXPECT_GT(surface.pixels.load(), 0);
    EXPECT_EQ(window.flushes, 1);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
    RunFramesFor(300);
    EXPECT_EQ(window.flushes, 11);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
}

TEST_F(SaverControllerTest,
       BannerEndDisablesTheBannerTimerFillsTheViewOnceAndLaterFramesDrawNoText) {
    Open(0);
    RunFramesFor(90);
    EXPECT_EQ(surface.texts, 6);  // two lines in each of three frames
    controller->OnBannerEnd();
    EXPECT_FALSE(window.timer1On);
    EXPECT_EQ(surface.fills, 1);
    EXPECT_EQ(surface.lastFill.Right, 1024);
    EXPECT_EQ(surface.lastFill.Bottom, 768);
    RunFramesFor(300);
    EXPECT_EQ(surface.texts, 6);
}

TEST_F(SaverControllerTest, NoFrameRunsOrRearmsAfterTheWindowThreadHasStoppedTheTimer) {
    Open(0);
    RunFramesFor(60);
    controller->OnKeyDown();
    const int pixels = surface.pixels.load();
    RunFramesFor(1000);
    EXPECT_EQ(surface.pixels.load(), pixels);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
}

// --- nobody watching ---

TEST_F(SaverControllerTest,
       UnseenWindowStopsFramesAtOnceAndResumesWhereItStoppedWithoutCatchingUp) {
    Open(0);
    RunFramesFor(90);
    const int flushes = window.flushes;
    const std::int32_t skyFrames = controller->Scene().SkyFrameCount;
    controller->OnVisibilityChanged(false);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
    RunFramesFor(10000);
    EXPECT_EQ(window.flushes, flushes);
    EXPECT_EQ(controller->Scene().SkyFrameCount, skyFrames);
    // Seen again: one frame a period from now on, none for the time that passed.
    controller->OnVisibilityChanged(true);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
    RunFramesFor(30);
    EXPECT_EQ(window.flushes, flushes + 1);
    RunFramesFor(90);
    EXPECT_EQ(window.flushes, flushes + 4);
}

TEST_F(SaverControllerTest, HiddenBeforeTheShowTheFirstFrameWaitsUntilTheWindowIsSeen) {
    Make(0);
    controller->OnCreate();
    controller->OnVisibilityChanged(false);
    controller->OnShow();
    RunFramesFor(300);
    EXPECT_EQ(window.flushes, 0);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
    controller->OnVisibilityChanged(true);
    RunFramesFor(30);
    EXPECT_EQ(window.flushes, 1);
}

TEST_F(SaverControllerTest, BeingSeenAgainNeverRestartsFramesOfAClosedOrNotYetShownSaver) {
    Make(0);
    controller->OnCreate();
    controller->OnVisibilityChanged(false);
    controller->OnVisibilityChanged(true);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
    controller->OnShow();
    controller->OnKeyDown();
    ASSERT_TRUE(window.closed);
    controller->OnVisibilityChanged(false);
    controller->OnVisibilityChanged(true);
    RunFramesFor(300);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
}

TEST_F(SaverControllerTest, ARefusedCloseOfAnUnseenSaverLeavesItsFramesStopped) {
    saverHooks.family = PlatformFamily::Windows9x;
    saverHooks.password = PasswordCheck::Refused;
    SetDesktopPassword(1);
    Open(0);
    controller->OnVisibilityChanged(false);
    controller->OnKeyDown();
    ASSERT_FALSE(window.closed);
    EXPECT_EQ(virtualTimer.ArmedCount(), 0);
    controller->OnVisibilityChanged(true);
    EXPECT_EQ(virtualTimer.ArmedCount(), 1);
}

// A frame whose event had fired before the window thread stopped the timer, but which reaches the
// controller only afterwards, as on a timer thread that was descheduled in between.
TEST_F(SaverControllerTest, FrameArrivingAfterTheWindowThreadStoppedDrawsAndArmsNothing) {
    for (WindowHandle host : {WindowHandle{0}, kHost}) {
        window.closed = false;
        Open(host);
        RunFramesFor(60);
        const TimerProc frame = timer.lastProc;
        void* const user = timer.lastUser;
        ASSERT_NE(frame, nullptr);
        if (host == 0)
            controller->OnKeyDown();
        else
            controller->OnHostGone();
        const int pixels = surface.pixels.load();
        const int flushes = window.flushes;
        log.clear();
        frame(user);
        EXPECT_EQ(surface.pixels.load(), pixels);
        EXPECT_EQ(window.flushes, flushes);
        EXPECT_EQ(CountOf(log, "SetEvent 30"), 0);
        EXPECT_EQ(virtualTimer.ArmedCount(), 0);
        EXPECT_FALSE(controller->Timer().Running());
        controller.reset();
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
        FakeSaverHooks saverHooks{log};
        FakeDisplayModes modes{log};
        FakeMessageBox box;
        LcgRandom random;
        FixedClock clock{1000};
        // The log is only written on the window thread here: the timer is not wrapped.
        auto controller = std::make_unique<SaverController>(
            window,
            SaverPlatform{window, saverHooks, registry, modes, threadTimer, box, random, clock}, 0);
        window.Attach(*controller);
        controller->OnCreate();
        controller->OnShow();
        while (surface.pixels.load() == 0) std::this_thread::yield();
        if (round % 2 == 0) controller->OnBannerEnd();  // the banner end races the frames too
        controller->OnKeyDown();
        ASSERT_TRUE(window.closed);
        EXPECT_FALSE(controller->Timer().Running());
        const int pixels = surface.pixels.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(surface.pixels.load(), pixels);
        controller.reset();
    }
}

// --- locked on return ---

TEST_F(SaverControllerTest, PastTheGraceInputAsksForTheLockAndTheSaverKeepsCovering) {
    PressKeyPastTheGrace();
    EXPECT_EQ(CountOf(log, "RequestLock"), 1);
    EXPECT_FALSE(window.closed);
    EXPECT_EQ(window.closeRequests, 0);
    // Still drawing while it waits.
    const int before = surface.pixels;
    RunFramesFor(200);
    EXPECT_GT(surface.pixels, before);
}

TEST_F(SaverControllerTest, InputWhileLockingGoesNowhereAndAsksNothingMore) {
    PressKeyPastTheGrace();
    controller->OnKeyDown();
    controller->OnMouseDown();
    controller->OnMouseMove(1, 1);
    controller->OnMouseMove(500, 400);
    EXPECT_FALSE(window.closed);
    EXPECT_EQ(window.closeRequests, 0);
    EXPECT_EQ(CountOf(log, "RequestLock"), 1);
}

TEST_F(SaverControllerTest, SessionLockedEndsTheSaverWithoutComplaint) {
    PressKeyPastTheGrace();
    ASSERT_NE(locker.events, nullptr);
    locker.events->OnLockRequestAnswered(true);
    locker.events->OnSessionLocked(false);
    EXPECT_FALSE(window.closed);
    locker.events->OnSessionLocked(true);
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(CountOf(log, "EndedUnlocked NotInTime") + CountOf(log, "EndedUnlocked Refused"), 0);
    EXPECT_EQ(controller->LockOnReturn().End(), ReturnLockEnd::Locked);
    EXPECT_EQ(locker.wakeAt, 0u);
}

TEST_F(SaverControllerTest, CoveredWhileLockingEndsTheSaver) {
    PressKeyPastTheGrace();
    controller->OnVisibilityChanged(false);
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(controller->LockOnReturn().End(), ReturnLockEnd::Locked);
}

TEST_F(SaverControllerTest, WhereTheWindowTellsWhoHasTheKeyboardTheSaverWaitsForTheLocker) {
    window.tellsKeyboardTaken = true;
    PressKeyPastTheGrace();
    locker.events->OnLockRequestAnswered(true);
    locker.events->OnSessionLocked(true);
    EXPECT_FALSE(window.closed);
    // Covered meanwhile, it draws nothing while it waits.
    controller->OnVisibilityChanged(false);
    EXPECT_FALSE(window.closed);
    const int pixels = surface.pixels;
    RunFramesFor(200);
    EXPECT_EQ(surface.pixels, pixels);
    controller->OnKeyboardTaken(true);
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(controller->LockOnReturn().End(), ReturnLockEnd::Locked);
    EXPECT_EQ(CountOf(log, "EndedUnlocked NotInTime") + CountOf(log, "EndedUnlocked Refused"), 0);
}

TEST_F(SaverControllerTest, SaidLockedButTheKeyboardNeverTakenEndsAfterFiveSecondsAndSaysSo) {
    window.tellsKeyboardTaken = true;
    PressKeyPastTheGrace();
    const std::uint64_t asked = locker.now;
    locker.events->OnSessionLocked(true);
    locker.AdvanceTo(asked + 4999);
    EXPECT_FALSE(window.closed);
    locker.AdvanceTo(asked + 5000);
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(CountOf(log, "EndedUnlocked Unheld"), 1);
    EXPECT_EQ(CountOf(log, "EndedUnlocked NotInTime"), 0);
}

TEST_F(SaverControllerTest, AKeyboardTakenWithoutALockDoesNotEndTheSaver) {
    window.tellsKeyboardTaken = true;
    PressKeyPastTheGrace();
    controller->OnKeyboardTaken(true);
    EXPECT_FALSE(window.closed);
    // Nor does it outside the wait, with the option off.
    controller.reset();
    window.closed = false;
    OpenWithLocker("0", "");
    controller->OnKeyboardTaken(true);
    EXPECT_FALSE(window.closed);
}

TEST_F(SaverControllerTest, NobodyLockingEndsTheSaverUnlockedAfterFiveSecondsAndSaysSo) {
    PressKeyPastTheGrace();
    const std::uint64_t asked = locker.now;
    EXPECT_EQ(locker.wakeAt, asked + 5000);
    locker.AdvanceTo(asked + 4999);
    EXPECT_FALSE(window.closed);
    locker.AdvanceTo(asked + 5000);
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(CountOf(log, "EndedUnlocked NotInTime"), 1);
    EXPECT_LT(IndexOf(log, "EndedUnlocked NotInTime"), IndexOf(log, "Close"));
}

TEST_F(SaverControllerTest, RefusedLockRequestEndsTheSaverAtOnceAndSaysSo) {
    PressKeyPastTheGrace();
    locker.events->OnLockRequestAnswered(false);
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(CountOf(log, "EndedUnlocked Refused"), 1);
}

TEST_F(SaverControllerTest, InputWithinTheGraceEndsTheSaverWithoutALock) {
    OpenWithLocker("1", "");
    locker.AdvanceTo(locker.now + 4000);
    controller->OnMouseDown();
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(CountOf(log, "RequestLock"), 0);
}

TEST_F(SaverControllerTest, OptionsOffInputEndsTheSaverAndTheDesktopKeyIsNotCreated) {
    OpenWithLocker("", "");
    locker.AdvanceTo(locker.now + 60'000);
    controller->OnKeyDown();
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(CountOf(log, "RequestLock"), 0);
    EXPECT_FALSE(registry.KeyExists(kDesktop));
}

TEST_F(SaverControllerTest, WithoutALockerTheOptionsAreNotHonoured) {
    registry.PutText(kDesktop, "ScreenSaverIsSecure", "1");
    registry.PutText(kDesktop, "ScreenSaverGracePeriod", "0");
    Open(0);
    controller->OnKeyDown();
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(controller->LockOnReturn().State(), ReturnLockState::Off);
}

TEST_F(SaverControllerTest, PreviewWithALockerStaysDeafAndNeverLocks) {
    registry.PutText(kDesktop, "ScreenSaverIsSecure", "1");
    registry.PutText(kDesktop, "ScreenSaverGracePeriod", "0");
    Make(kHost);
    controller->UseSessionLocker(locker);
    controller->OnCreate();
    controller->OnShow();
    controller->OnKeyDown();
    EXPECT_FALSE(window.closed);
    EXPECT_EQ(CountOf(log, "RequestLock"), 0);
    EXPECT_EQ(controller->LockOnReturn().State(), ReturnLockState::Off);
}

}  // namespace
