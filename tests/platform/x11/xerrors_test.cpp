// X error handling on a real X server (run under Xvfb by with_xvfb.sh): errors go on to the
// handler that was there before, except those of requests inside an ignoring scope on the same
// connection and those that show a watched window gone.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/common/systemcolors.h"

// Xlib last: its macros (None) would rename identifiers of the headers above.
#include "platform/x11/surface.h"
#include "platform/x11/xerrors.h"

namespace {

// Stands in for Xlib's default handler, which would end the test program.
std::vector<int> reported;
int Record(Display*, XErrorEvent* error) {
    reported.push_back(error->error_code);
    return 0;
}

constexpr ::Window kNoWindow = 0x1FFFFFF0;

class XErrorsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        XSetErrorHandler(&Record);
        InstallXErrorHandler();
        a = XOpenDisplay(nullptr);
        b = XOpenDisplay(nullptr);
    }
    static void TearDownTestSuite() {
        if (a != nullptr) XCloseDisplay(a);
        if (b != nullptr) XCloseDisplay(b);
    }
    void SetUp() override {
        ASSERT_NE(a, nullptr) << "needs an X display";
        reported.clear();
    }
    static ::Window MakeWindow(Display* d, ::Window parent, int w, int h) {
        const ::Window window = XCreateSimpleWindow(d, parent, 0, 0, static_cast<unsigned>(w),
                                                    static_cast<unsigned>(h), 0, 0, 0);
        XMapWindow(d, window);
        XSync(d, False);
        return window;
    }

    static inline Display* a = nullptr;
    static inline Display* b = nullptr;
};

TEST_F(XErrorsTest, ScopeIgnoresOnlyItsOwnRequestsOnItsOwnConnection) {
    XMapWindow(a, kNoWindow);  // before the scope: still reported
    {
        XErrorsIgnored quiet(a);
        XMapWindow(a, kNoWindow);
        XRaiseWindow(a, kNoWindow);
        XMapWindow(b, kNoWindow);  // another connection: reported
        XSync(b, False);
    }
    EXPECT_EQ(reported, (std::vector<int>{BadWindow, BadWindow}));
    XMapWindow(a, kNoWindow);  // after the scope
    XSync(a, False);
    EXPECT_EQ(reported.size(), 3u);
}

TEST_F(XErrorsTest, DrawingAfterTheHostWentIsIgnoredButOtherErrorsAreNot) {
    // A host of another client, our child window in it, and a surface on a connection of its
    // own, as a preview has them.
    const ::Window host = MakeWindow(b, DefaultRootWindow(b), 160, 120);
    const ::Window child = MakeWindow(a, host, 160, 120);
    DefaultSystemColors colors;
    Display* draw = XOpenDisplay(nullptr);
    ASSERT_NE(draw, nullptr);
    {
        XVanishingWindow watch(draw, child);
        auto surface = std::make_unique<XSurface>(draw, child, colors);
        surface->SetViewSize(160, 120);
        watch.WatchPicture(surface->RenderPicture());

        XMapWindow(draw, kNoWindow);  // not the watched window: a real error
        XSync(draw, False);
        EXPECT_EQ(reported, (std::vector<int>{BadWindow}));
        EXPECT_FALSE(watch.Gone());

        XDestroyWindow(b, host);  // takes the child with it
        XSync(b, False);
        // A banner frame: text first, then pixels and a fill.
        surface->PrepareText("Velmora");
        surface->TextOut(10, 10, "Velmora");
        for (int i = 0; i < 50; ++i) surface->SetPixel(i, i, 0x00FFFFFF);
        surface->FillRect(Rect32{0, 0, 160, 120});
        surface->Flush();
        XSync(draw, False);
        EXPECT_TRUE(watch.Gone());
        EXPECT_EQ(reported.size(), 1u);

        XMapWindow(draw, kNoWindow + 1);  // gone or not, another window's error still counts
        XSync(draw, False);
        EXPECT_EQ(reported.size(), 2u);
        surface.reset();
        XCloseDisplay(draw);
    }
    EXPECT_EQ(reported.size(), 2u);
}

}  // namespace
