// XSurface on a real X server (run under Xvfb by with_xvfb.sh): each pixel a frame touched
// reaches the window in its final colour, texts and fills keep their place in the drawing order,
// and only the final colours are sent.
#include <gtest/gtest.h>

#include <memory>

#include "platform/common/systemcolors.h"

// Xlib last: its macros (None) would rename identifiers of the headers above.
#include <X11/Xutil.h>

#include "platform/x11/surface.h"

namespace {

constexpr ColorValue kRed = 0x000000FF;
constexpr ColorValue kGreen = 0x0000FF00;
constexpr ColorValue kBlue = 0x00FF0000;
constexpr ColorValue k3DLight = static_cast<ColorValue>(0x80000016u);

class XSurfaceTest : public ::testing::Test {
  protected:
    // One connection for the whole program, as the saver has: Xft keeps per-connection caches
    // that are not meant to see a connection closed and another opened at the same address.
    static void SetUpTestSuite() { display = XOpenDisplay(nullptr); }
    static void TearDownTestSuite() {
        if (display != nullptr) XCloseDisplay(display);
    }
    void SetUp() override {
        ASSERT_NE(display, nullptr) << "needs an X display";
        XSetWindowAttributes a{};
        a.background_pixel = BlackPixel(display, DefaultScreen(display));
        a.override_redirect = True;
        window =
            XCreateWindow(display, DefaultRootWindow(display), 0, 0, 200, 100, 0, CopyFromParent,
                          InputOutput, CopyFromParent, CWBackPixel | CWOverrideRedirect, &a);
        XMapRaised(display, window);
        XSync(display, False);
        surface = std::make_unique<XSurface>(display, window, colors);
        surface->SetViewSize(200, 100);
    }
    void TearDown() override {
        surface.reset();
        if (display != nullptr) XDestroyWindow(display, window);
    }
    // The 0xRRGGBB pixel on the window now.
    unsigned long At(int x, int y) {
        XSync(display, False);
        XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
        const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
        return pixel;
    }

    DefaultSystemColors colors;
    static inline Display* display = nullptr;
    ::Window window = 0;
    std::unique_ptr<XSurface> surface;
};

TEST_F(XSurfaceTest, LaterDrawOfTheSamePixelWinsAndOnlyItIsSent) {
    for (int x = 0; x < 100; ++x) {
        surface->SetPixel(x, 10, kRed);
        surface->SetPixel(x, 10, kGreen);
    }
    surface->SetPixel(5, 20, kBlue);
    surface->SetPixel(5, 20, 0);  // erased again within the frame
    surface->Flush();
    EXPECT_EQ(At(0, 10), 0x00FF00u);
    EXPECT_EQ(At(99, 10), 0x00FF00u);
    EXPECT_EQ(At(5, 20), 0u);
    EXPECT_EQ(surface->PointsSent(), 101u);
}

TEST_F(XSurfaceTest, ColoursAreRedGreenBlueFromTheStoredBgrAndSystemColoursLookedUp) {
    surface->SetPixel(1, 1, kRed);
    surface->SetPixel(2, 1, kBlue);
    surface->SetPixel(3, 1, k3DLight);
    surface->Flush();
    EXPECT_EQ(At(1, 1), 0xFF0000u);
    EXPECT_EQ(At(2, 1), 0x0000FFu);
    EXPECT_EQ(At(3, 1), 0xE3E3E3u);
}

TEST_F(XSurfaceTest, FillKeepsItsPlaceBetweenPixelsOfOneFrame) {
    surface->SetPixel(10, 10, kRed);
    surface->FillRect(Rect32{0, 0, 50, 50});  // brush black: erases the pixel drawn before
    surface->SetPixel(20, 20, kGreen);
    surface->Flush();
    EXPECT_EQ(At(10, 10), 0u);
    EXPECT_EQ(At(20, 20), 0x00FF00u);
}

TEST_F(XSurfaceTest, TextBoxCoversEarlierPixelsAndLaterPixelsShowOnTopOfIt) {
    const std::string_view text = "Velmora";
    surface->PrepareText(text);
    const int height = surface->TextHeight(text);
    ASSERT_GT(height, 8);
    surface->SetPixel(2, 2, kRed);
    surface->TextOut(0, 0, text);
    surface->SetPixel(3, height - 2, kBlue);
    surface->Flush();
    EXPECT_NE(At(2, 2), 0xFF0000u);
    EXPECT_EQ(At(3, height - 2), 0x0000FFu);
    int lit = 0;
    for (int x = 0; x < 40; ++x)
        for (int y = 0; y < height; ++y) lit += At(x, y) == 0xFFFFFFu ? 1 : 0;
    EXPECT_GT(lit, 10);  // white glyphs on the black box
}

TEST_F(XSurfaceTest, PixelsOutsideTheViewAreIgnored) {
    surface->SetPixel(-1, 5, kRed);
    surface->SetPixel(200, 5, kRed);
    surface->SetPixel(5, 100, kRed);
    surface->Flush();
    EXPECT_EQ(surface->PointsSent(), 0u);
}

TEST_F(XSurfaceTest, MorePixelsThanOneBatchHoldAllArrive) {
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) surface->SetPixel(x, y, (x + y) % 2 ? kRed : kGreen);
    surface->Flush();
    EXPECT_EQ(At(0, 0), 0x00FF00u);
    EXPECT_EQ(At(99, 98), 0xFF0000u);
    EXPECT_EQ(At(57, 83), 0x00FF00u);
    EXPECT_EQ(surface->PointsSent(), 10000u);
}

}  // namespace
