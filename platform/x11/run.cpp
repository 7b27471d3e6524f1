#include "platform/x11/run.h"

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/desktoplaunch.h"
#include "platform/x11/application.h"
#include "platform/x11/trialwindow.h"
#include "platform/x11/windowfinder.h"

// Last: Xlib's macros (None, Below) would rename identifiers of the headers above.
#include <X11/Xlib.h>

namespace {

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

}  // namespace

int RunX11Desktop(const DesktopRun& run) {
    // Qt follows: its X11 plugin even where a Wayland session is there too.
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (run.Line.ForceX11 || (wayland != nullptr && *wayland != '\0'))
        setenv("QT_QPA_PLATFORM", "xcb", 0);
    // Frames draw from the timer thread over a connection of their own; the locks make any
    // stray shared use safe as well.
    XInitThreads();
    Display* display = XOpenDisplay(nullptr);
    std::string windowScope;
    std::unique_ptr<TrialWindow> ownWindow;
    const std::vector<std::string> argStore =
        HackArguments(run.Line, display, ownWindow, windowScope);
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
    const int exitCode =
        LaunchOnDesktop(run, args, markerScope, finder, [display](DesktopWiring wiring) {
            return std::make_unique<X11Application>(display, std::move(wiring));
        });
    ownWindow.reset();
    if (display != nullptr) XCloseDisplay(display);
    run.Signals.EndByReceivedSignal();
    return exitCode;
}
