// The Linux entry point: picks the window system (Wayland when the session has one, unless told
// --x11), and wires its saver window, the Qt settings dialog and message box (loaded on first
// use), and the POSIX services to the launcher.
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/commandline.h"
#include "launcher/launcher.h"
#include "platform/posix/clock.h"
#include "platform/posix/instance.h"
#include "platform/posix/registry.h"
#include "platform/posix/saverservices.h"
#include "platform/posix/signals.h"
#include "platform/posix/systemcolors.h"
#include "platform/posix/threadtimer.h"
#include "platform/posix/versionnotice.h"
#include "platform/wayland/application.h"
#include "platform/x11/application.h"
#include "platform/x11/displayguard.h"
#include "platform/x11/qtmodule.h"
#include "platform/x11/trialwindow.h"
#include "platform/x11/windowfinder.h"

// Last: Xlib's macros (None, Below) would rename identifiers of the headers above.
#include <X11/Xlib.h>

namespace {

std::string ExecutablePath(const char* argv0) {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0) return std::string(buffer, static_cast<std::size_t>(n));
    return argv0 != nullptr ? argv0 : "velmora";
}

// The launcher's arguments for a hack option: the saver draws into the named window by the
// preview protocol. `windowScope` names that window: XScreenSaver starts one hack per screen, and
// the one-instance rule holds per window, not across them.
std::vector<std::string> HackArguments(const CommandLine& line, Display* display,
                                       std::unique_ptr<TrialWindow>& ownWindow,
                                       std::string& windowScope) {
    ::Window target = line.Window;
    switch (line.Target) {
        case SaverTarget::Classic:
            return line.Positional;
        case SaverTarget::Root:
            if (target == 0 && display != nullptr) target = DefaultRootWindow(display);
            break;
        case SaverTarget::WindowId:
            break;
        case SaverTarget::OwnWindow:
            if (display == nullptr) break;
            ownWindow = std::make_unique<TrialWindow>(display, 640, 480);
            return {"/p", std::to_string(ownWindow->Handle())};
    }
    // Without a display no window can be named: the saver's own path reports that.
    if (target == 0) return {"/s"};
    windowScope = "xscreensaver-" + std::to_string(target);
    return {"/p", std::to_string(target)};
}

// The services every mode shares, and the launcher run over `app`.
template <typename MakeApplication>
int Launch(const char* argv0, std::span<const std::string_view> args, const CommandLine& line,
           TerminationPipe& signals, const std::string& markerScope, WindowFinder& finder,
           MakeApplication makeApplication) {
    FileRegistry registry(DefaultRegistryPath(), &std::cerr);
    ThreadTimerService timer;
    if (!timer.Failure().empty()) {
        std::fprintf(stderr, "velmora: %s\n", timer.Failure().c_str());
        return 1;
    }
    SystemClock clock;
    LcgRandom random;
    DefaultSystemColors colors;
    PosixSaverServices services;
    LazyQt box(signals);
    FileLockInstanceMarker marker({}, markerScope);
    auto app = makeApplication(
        DesktopWiring{registry, timer, box, random, clock, colors, services, signals,
                      [&box, &registry] { return box.ShowSettingsDialog(registry); },
                      line.Overrides});
    LauncherPlatform platform{*app, marker, finder, box, services};
    int exitCode = RunLauncher(ExecutablePath(argv0), args, platform);
    if (exitCode == 0 && app->Failed()) exitCode = 1;
    return exitCode;
}

// The saver on a Wayland desktop: run mode and the dialog. Windows of other clients are out of
// a Wayland client's reach, so the modes that draw into one are refused.
int RunOnWayland(const char* argv0, const CommandLine& line, TerminationPipe& signals) {
    const std::vector<std::string_view> args(line.Positional.begin(), line.Positional.end());
    const char mode = ModeLetter(args);
    if (line.Target != SaverTarget::Classic || mode == 'P') {
        std::cerr << "velmora: a Wayland session has no windows of other programs to draw into, "
                     "so /p, --root, --window-id and --window cannot work here; use /s, or "
                     "--x11 to draw through Xwayland\n";
        return 2;
    }
    // The dialog and message boxes on the same desktop, through Xwayland only where Qt's
    // Wayland plugin is missing.
    setenv("QT_QPA_PLATFORM", "wayland;xcb", 0);
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr && mode != 'A') {
        std::cerr << "velmora: cannot connect to the Wayland display \"" << std::getenv("WAYLAND_DISPLAY")
                  << "\"; the saver and its settings dialog need one (--x11 uses DISPLAY)\n";
        return 1;
    }
    WaylandWindowFinder finder;
    const int exitCode =
        Launch(argv0, args, line, signals, "wayland." + DisplayScope(std::getenv("WAYLAND_DISPLAY")),
               finder, [display](DesktopWiring wiring) {
                   return std::make_unique<WaylandApplication>(display, std::move(wiring));
               });
    if (display != nullptr) wl_display_disconnect(display);
    signals.EndByReceivedSignal();
    return exitCode;
}

bool WaylandSession(const CommandLine& line) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    return !line.ForceX11 && name != nullptr && *name != '\0';
}

}  // namespace

int main(int argc, char** argv) {
    // Started as the display guard of a saver that switched the display.
    if (const char* guard = std::getenv(kDisplayGuardVariable)) return RunDisplayGuard(guard);
    // Terminal text in the user's encoding; numbers keep the C locale's form.
    std::setlocale(LC_CTYPE, "");

    // Usage and version are answered before anything opens a display, so they work anywhere.
    const std::vector<std::string_view> given(argv + std::min(argc, 1), argv + argc);
    const char* named = std::getenv("XSCREENSAVER_WINDOW");
    const CommandLine line = ParseCommandLine(given, named != nullptr ? named : "");
    switch (line.What) {
        case CommandLine::Action::Help:
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        case CommandLine::Action::Version:
            std::fputs(VersionNotice("velmora").c_str(), stdout);
            return 0;
        case CommandLine::Action::Error:
            std::fprintf(stderr, "velmora: %s\n\n%s", line.Problem.c_str(), UsageText().c_str());
            return 2;
        case CommandLine::Action::Launch:
            break;
    }

    // From the start, in every mode: a termination signal ends the program the ordinary way
    // (box or dialog closed, display mode restored) and then by that signal.
    TerminationPipe signals;
    signals.Install();
    if (WaylandSession(line)) return RunOnWayland(argc > 0 ? argv[0] : nullptr, line, signals);
    // Qt follows: its X11 plugin even where a Wayland session is there too.
    if (line.ForceX11) setenv("QT_QPA_PLATFORM", "xcb", 0);
    // Frames draw from the timer thread over a connection of their own; the locks make any
    // stray shared use safe as well.
    XInitThreads();
    Display* display = XOpenDisplay(nullptr);
    std::string windowScope;
    std::unique_ptr<TrialWindow> ownWindow;
    const std::vector<std::string> argStore = HackArguments(line, display, ownWindow, windowScope);
    std::vector<std::string_view> args(argStore.begin(), argStore.end());

    // The saver, its preview and the dialog all need the display; said before Qt is loaded,
    // which would only abort. (Mode A has nothing to show on Linux.)
    if (display == nullptr && ModeLetter(args) != 'A') {
        std::cerr << "velmora: cannot open the X display \"" << XDisplayName(nullptr)
                  << "\" (is DISPLAY set?); the saver and its settings dialog need one\n";
        return 1;
    }
    // One instance per display and user (the marker directory is the user's own).
    std::string markerScope = display != nullptr ? DisplayScope(DisplayString(display)) : "";
    if (!windowScope.empty()) markerScope += "." + windowScope;

    XWindowFinder finder(display);
    const int exitCode = Launch(argc > 0 ? argv[0] : nullptr, args, line, signals, markerScope,
                                finder, [display](DesktopWiring wiring) {
                                    return std::make_unique<X11Application>(display,
                                                                            std::move(wiring));
                                });
    ownWindow.reset();
    if (display != nullptr) XCloseDisplay(display);
    signals.EndByReceivedSignal();
    return exitCode;
}
