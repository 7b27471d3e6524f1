// What the Win32 backend makes of the project's window and display-mode terms: the window and
// class styles of the two saver windows, and the DEVMODE of a display request.
#include <gtest/gtest.h>

#include "platform/win32/displaymodes.h"
#include "platform/win32/win.h"
#include "platform/win32/window.h"

namespace {

TEST(Win32StylesFor, RunModeIsATopMostPopupAndPreviewADisabledChildOnItsParentsDc) {
    WindowCreateParams run = Win32FormDefaults(nullptr);
    run.TopMost = true;
    const Win32WindowStyles popup = Win32StylesFor(run);
    EXPECT_EQ(popup.Style, static_cast<std::uint32_t>(WS_POPUP));
    EXPECT_EQ(popup.ExStyle, static_cast<std::uint32_t>(WS_EX_TOPMOST));
    EXPECT_EQ(popup.ClassStyle, static_cast<std::uint32_t>(CS_DBLCLKS));

    WindowCreateParams preview;
    preview.Child = preview.Visible = preview.Disabled = preview.DrawsOnParent = true;
    const Win32WindowStyles child = Win32StylesFor(preview);
    EXPECT_EQ(child.Style, 0x58000000u);  // WS_CHILD | WS_VISIBLE | WS_DISABLED, nothing else
    EXPECT_EQ(child.ExStyle, 0u);
    EXPECT_EQ(child.ClassStyle, 0x0080u);  // CS_PARENTDC alone
}

TEST(FillDevMode, NamesTheRateOnlyWhenTheRequestGivesOne) {
    DEVMODEA dm;
    FillDevMode(DisplayModeRequest{640, 480, 24, 0}, dm);
    EXPECT_EQ(dm.dmSize, 156u);
    EXPECT_EQ(dm.dmFields, 0x5C0000u);
    EXPECT_EQ(dm.dmPelsWidth, 640u);
    EXPECT_EQ(dm.dmPelsHeight, 480u);
    EXPECT_EQ(dm.dmBitsPerPel, 24u);
    EXPECT_EQ(dm.dmDisplayFrequency, 0u);

    FillDevMode(DisplayModeRequest{1920, 1080, 32, std::nullopt}, dm);
    EXPECT_EQ(dm.dmFields, 0x1C0000u);
    EXPECT_EQ(dm.dmDisplayFrequency, 0u);
    EXPECT_EQ(dm.dmPelsWidth, 1920u);

    FillDevMode(DisplayModeRequest{1920, 1080, 32, 75}, dm);
    EXPECT_EQ(dm.dmFields, 0x5C0000u);
    EXPECT_EQ(dm.dmDisplayFrequency, 75u);
}

}  // namespace
