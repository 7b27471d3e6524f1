#include "platform/x11/application.h"

// The core before Xlib, whose macros would otherwise rename the core's identifiers.
#include <cstdio>

#include "platform/dbus/logindlocker.h"
#include "platform/posix/signals.h"
#include "platform/x11/displaymodes.h"
#include "platform/x11/window.h"
#include "platform/x11/xerrors.h"
#include "saver/savercontroller.h"

X11Application::X11Application(_XDisplay* display, DesktopWiring wiring)
    : DesktopApplication(std::move(wiring)), Connection(display) {}

X11Application::~X11Application() = default;

void X11Application::ShowWindow(WindowHandle window, WindowVisibility visibility) {
    if (Connection == nullptr || window == 0) return;
    // The number comes from the command line and may name no window.
    XErrorsIgnored quiet(Connection);
    if (visibility == WindowVisibility::Shown)
        XMapWindow(Connection, static_cast<::Window>(window));
    else
        XUnmapWindow(Connection, static_cast<::Window>(window));
}

void X11Application::CreateSaverWindow(WindowHandle host) {
    if (Connection == nullptr) {
        std::fprintf(stderr, "velmora: cannot open the X display\n");
        HasFailed = true;
        return;
    }
    Saver.DisplayModes = std::make_unique<XRandRDisplayModes>(Connection);
    Saver.SaverWindow =
        std::make_unique<XSaverWindow>(Connection, Wiring.Colors, Wiring.Signals.ReadFd());
    if (!Saver.Create(Wiring, host)) HasFailed = true;
}
