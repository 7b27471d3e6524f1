#include "platform/x11/application.h"

// The core before Xlib, whose macros would otherwise rename the core's identifiers.
#include <cstdio>

#include "platform/dbus/logindlocker.h"
#include "platform/posix/signals.h"
#include "platform/x11/displaymodes.h"
#include "platform/x11/window.h"
#include "platform/x11/xerrors.h"
#include "saver/savercontroller.h"

X11Application::X11Application(_XDisplay* display, X11Wiring wiring)
    : Connection(display), Wiring(std::move(wiring)) {}

X11Application::~X11Application() {
    // The form first: it stops the frames before its window goes.
    Controller.reset();
    SaverWindow.reset();
    Locker.reset();
}

void X11Application::Initialize(std::string_view title) {
    (void)title;
}

void X11Application::ShowWindow(WindowHandle window, WindowVisibility visibility) {
    if (Connection == nullptr || window == 0) return;
    // The number comes from the command line and may name no window.
    XErrorsIgnored quiet(Connection);
    if (visibility == WindowVisibility::Shown)
        XMapWindow(Connection, static_cast<::Window>(window));
    else
        XUnmapWindow(Connection, static_cast<::Window>(window));
}

void X11Application::ShowSettingsDialog() {
    if (!Wiring.ShowSettings || !Wiring.ShowSettings()) HasFailed = true;
}

void X11Application::CreateSaverWindow(WindowHandle host) {
    if (Connection == nullptr) {
        std::fprintf(stderr, "velmora: cannot open the X display\n");
        HasFailed = true;
        return;
    }
    Modes = std::make_unique<XRandRDisplayModes>(Connection);
    SaverWindow =
        std::make_unique<XSaverWindow>(Connection, Wiring.Colors, Wiring.Signals.ReadFd());
    Controller = MakeSaverController(*SaverWindow, *Modes, Wiring, host);
    if (host == 0) {
        // A saver of its own (not a hack in a daemon's window) can leave the session locked.
        Locker = std::make_unique<LogindLocker>("velmora");
        SaverWindow->AddLoopSource(*Locker);
        Controller->UseSessionLocker(*Locker);
    }
    if (!SaverWindow->Create(*Controller)) {
        HasFailed = true;
        Controller.reset();
        SaverWindow.reset();
        Locker.reset();
    }
}

void X11Application::Run() {
    if (SaverWindow != nullptr && !Terminated) SaverWindow->Run();
    if (SaverNeverRan(Controller.get(), Wiring)) HasFailed = true;
    Controller.reset();
    SaverWindow.reset();
    Locker.reset();
}
