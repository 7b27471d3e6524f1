// The Linux entry point: wires the X11 saver window, the Qt settings dialog and message box
// (loaded on first use), and the POSIX services to the launcher.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/launcher.h"
#include "platform/posix/clock.h"
#include "platform/posix/instance.h"
#include "platform/posix/registry.h"
#include "platform/posix/saverservices.h"
#include "platform/posix/signals.h"
#include "platform/posix/systemcolors.h"
#include "platform/posix/threadtimer.h"
#include "platform/posix/versionnotice.h"
#include "platform/x11/application.h"
#include "platform/x11/displayguard.h"
#include "platform/x11/qtmodule.h"
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

// XScreenSaver starts a hack with -root and names the window to draw on in XSCREENSAVER_WINDOW:
// that is a preview into that window, in the saver's own protocol. -root alone draws on the root
// window the same way. `windowScope` names the window then: XScreenSaver starts one hack per
// screen, and the one-instance rule holds per window, not across them.
std::vector<std::string> SaverArguments(int argc, char** argv, Display* display,
                                        std::string& windowScope) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const char* named = std::getenv("XSCREENSAVER_WINDOW");
    bool root = false;
    for (const auto& a : args) root = root || a == "-root";
    if (!root) return args;
    if (named != nullptr && named[0] != '\0') {
        errno = 0;
        char* end = nullptr;
        const unsigned long id = std::strtoul(named, &end, 0);
        if (errno == 0 && end != named && *end == '\0' && id != 0) {
            windowScope = "xscreensaver-" + std::to_string(id);
            return {"/p", std::to_string(id)};
        }
    }
    if (display != nullptr) {
        windowScope = "xscreensaver-" + std::to_string(DefaultRootWindow(display));
        return {"/p", std::to_string(DefaultRootWindow(display))};
    }
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before anything opens a display, so it works in a package check or over ssh.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::fputs(VersionNotice("velmora").c_str(), stdout);
        return 0;
    }
    // Started as the display guard of a saver that switched the display.
    if (const char* guard = std::getenv(kDisplayGuardVariable)) return RunDisplayGuard(guard);
    // From the start, in every mode: a termination signal ends the program the ordinary way
    // (box or dialog closed, display mode restored) and then by that signal.
    TerminationPipe signals;
    signals.Install();
    // Frames draw from the timer thread over a connection of their own; the locks make any
    // stray shared use safe as well.
    XInitThreads();
    Display* display = XOpenDisplay(nullptr);
    std::string windowScope;
    const std::vector<std::string> argStore = SaverArguments(argc, argv, display, windowScope);
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

    int exitCode = 0;
    {
        FileRegistry registry(DefaultRegistryPath(), &std::cerr);
        ThreadTimerService timer;
        SystemClock clock;
        LcgRandom random;
        DefaultSystemColors colors;
        PosixSaverServices services;
        LazyQt box(signals);
        FileLockInstanceMarker marker({}, markerScope);
        XWindowFinder finder(display);
        X11Application app(
            display, X11Wiring{registry, timer, box, random, clock, colors, services, signals,
                                [&box, &registry] { return box.ShowSettingsDialog(registry); }});
        LauncherPlatform platform{app, marker, finder, box, services};
        exitCode = RunLauncher(ExecutablePath(argc > 0 ? argv[0] : nullptr), args, platform);
        if (exitCode == 0 && app.Failed()) exitCode = 1;
    }
    if (display != nullptr) XCloseDisplay(display);
    signals.EndByReceivedSignal();
    return exitCode;
}
