// Which window system the Linux saver draws through: Wayland where the session has one, X11
// where it has none, where --x11 says so, and wherever the command line or XScreenSaver names an
// X window to draw into.
#include "platform/linux/backends.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

// The backend picked from the real table for `args` (parsed as the entry parses them).
std::string Picked(std::initializer_list<std::string_view> args, DesktopSession session) {
    const std::vector<std::string_view> given(args);
    const CommandLine line = ParseCommandLine(given, session.XScreenSaverWindow);
    EXPECT_EQ(line.What, CommandLine::Action::Launch);
    return std::string(PickDesktopBackend(DesktopBackends(), line, session).Name);
}

constexpr DesktopSession kWayland{.WaylandDisplay = "wayland-1", .XScreenSaverWindow = ""};
constexpr DesktopSession kX11Only{};

TEST(DesktopBackend, WaylandSessionDrawsOnWaylandForTheSaverAndTheDialog) {
    EXPECT_EQ(Picked({"/s"}, kWayland), "wayland");
    EXPECT_EQ(Picked({"/c"}, kWayland), "wayland");
    EXPECT_EQ(Picked({}, kWayland), "wayland");
    EXPECT_EQ(Picked({"/s", "--speed", "20"}, kWayland), "wayland");
}

TEST(DesktopBackend, WithoutWaylandDisplayEverythingGoesToX11) {
    EXPECT_EQ(Picked({"/s"}, kX11Only), "x11");
    EXPECT_EQ(Picked({"/c"}, kX11Only), "x11");
    // An empty WAYLAND_DISPLAY names no compositor.
    EXPECT_EQ(Picked({"/s"}, DesktopSession{.WaylandDisplay = "", .XScreenSaverWindow = ""}),
              "x11");
}

TEST(DesktopBackend, ForcedX11WinsOverTheWaylandSession) {
    EXPECT_EQ(Picked({"/s", "--x11"}, kWayland), "x11");
    EXPECT_EQ(Picked({"--x11"}, kWayland), "x11");
}

TEST(DesktopBackend, HackOptionsNameAnXWindowAndSelectX11InAWaylandSession) {
    for (const auto args : {std::initializer_list<std::string_view>{"--root"},
                            {"-root"},
                            {"--window-id", "0x40000F"},
                            {"-window-id", "123"},
                            {"--window-id=77"},
                            {"--window"},
                            {"-window"}}) {
        EXPECT_EQ(Picked(args, kWayland), "x11") << *args.begin();
    }
}

TEST(DesktopBackend, XScreenSaverWindowInTheEnvironmentSelectsX11) {
    const DesktopSession named{.WaylandDisplay = "wayland-1", .XScreenSaverWindow = "0x40000F"};
    EXPECT_EQ(Picked({"--root"}, named), "x11");
    // Set by XScreenSaver even when the hack is started without an option.
    EXPECT_EQ(Picked({"/s"}, named), "x11");
}

TEST(DesktopBackend, PreviewInsideAnXWindowSelectsX11) {
    EXPECT_EQ(Picked({"/p", "123"}, kWayland), "x11");
    EXPECT_EQ(Picked({"-P", "123"}, kWayland), "x11");
}

TEST(DesktopBackend, TheTableEndsWithABackendThatAlwaysRuns) {
    const auto backends = DesktopBackends();
    ASSERT_GE(backends.size(), 2u);
    EXPECT_EQ(backends.front().Name, "wayland");
    EXPECT_EQ(backends.back().Name, "x11");
    CommandLine line;
    EXPECT_TRUE(backends.back().CanRun(line, kWayland));
    EXPECT_TRUE(backends.back().CanRun(line, kX11Only));
    // A table none of whose rows can run still yields its last row.
    const DesktopBackend never[] = {
        {"first", [](const CommandLine&, const DesktopSession&) { return false; }, nullptr},
        {"last", [](const CommandLine&, const DesktopSession&) { return false; }, nullptr},
    };
    EXPECT_EQ(PickDesktopBackend(never, line, kWayland).Name, "last");
}

}  // namespace
