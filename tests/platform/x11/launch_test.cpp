// The launcher's X11 services on a real X server (run under Xvfb by with_xvfb.sh): showing the
// preview host, finding a running instance's window by its title and raising it. A number that
// names no window (a wrong /p argument, an instance whose window has just gone) must not end the
// process.
#include <gtest/gtest.h>

#include "platform/common/systemcolors.h"
#include "platform/common/threadtimer.h"
#include "platform/memory/virtualtimer.h"
#include "platform/posix/signals.h"
#include "platform/posix/systemsaverhooks.h"
#include "platform/x11/application.h"
#include "platform/x11/windowfinder.h"
#include "tests/support/memoryregistry.h"

// Xlib last: its macros (None) would rename identifiers of the headers above.
#include <X11/Xlib.h>

namespace {

// Far above the ids the server has handed out in a fresh Xvfb.
constexpr WindowHandle kNoWindow = 0x1FFFFFF0;

class SilentBox final : public MessageBoxService {
  public:
    void Show(std::string_view, std::string_view, MessageIcon) override {}
};

class X11LaunchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "needs an X display";
    }
    void TearDown() override {
        if (display != nullptr) XCloseDisplay(display);
    }
    ::Window MakeTopLevel(const char* title) {
        XSetWindowAttributes a{};
        a.override_redirect = True;
        const ::Window w =
            XCreateWindow(display, DefaultRootWindow(display), 0, 0, 40, 30, 0, CopyFromParent,
                          InputOutput, CopyFromParent, CWOverrideRedirect, &a);
        XStoreName(display, w, title);
        XSync(display, False);
        return w;
    }
    bool Mapped(::Window w) {
        XWindowAttributes a;
        XSync(display, False);
        return XGetWindowAttributes(display, w, &a) != 0 && a.map_state != IsUnmapped;
    }

    Display* display = nullptr;
};

TEST_F(X11LaunchTest, PreviewHostIsShownAndANumberThatIsNoWindowIsHarmless) {
    MemoryRegistry registry;
    ThreadTimerService timer;
    SilentBox box;
    LcgRandom random;
    FixedClock clock{0};
    DefaultSystemColors colors;
    PosixSystemSaverHooks saverHooks;
    TerminationPipe signals;
    X11Application app(
        display,
        DesktopWiring{
            registry, timer, box, random, clock, colors, saverHooks, signals, nullptr, {}});
    const ::Window host = MakeTopLevel("host");
    app.ShowWindow(host, WindowVisibility::Shown);
    EXPECT_TRUE(Mapped(host));

    // Any error of the request on no window is received by the sync in Mapped: the process
    // goes on and the next host is shown as usual.
    app.ShowWindow(kNoWindow, WindowVisibility::Shown);
    const ::Window next = MakeTopLevel("next host");
    app.ShowWindow(next, WindowVisibility::Shown);
    EXPECT_TRUE(Mapped(next));
}

TEST_F(X11LaunchTest, RunningInstanceIsFoundByItsTitleWithoutRegardToCaseAndRaised) {
    XWindowFinder finder(display);
    EXPECT_EQ(finder.FindWindow("velmora"), 0u);
    const ::Window w = MakeTopLevel("VelMora");
    EXPECT_EQ(finder.FindWindow("velmora"), w);
    finder.SetForegroundWindow(w);
    XDestroyWindow(display, w);
    XSync(display, False);
}

TEST_F(X11LaunchTest, InstanceWindowThatIsGoneIsRaisedWithoutEndingTheProcess) {
    XWindowFinder finder(display);
    finder.SetForegroundWindow(kNoWindow);
    XSync(display, False);
    // Still here, and the next lookup works as usual.
    const ::Window w = MakeTopLevel("Velmora");
    EXPECT_EQ(finder.FindWindow("velmora"), w);
    XDestroyWindow(display, w);
}

}  // namespace
