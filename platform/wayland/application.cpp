#include "platform/wayland/application.h"

#include <cstdio>

#include "platform/dbus/logindlocker.h"
#include "platform/posix/signals.h"
#include "platform/wayland/connection.h"
#include "platform/wayland/displaymodes.h"
#include "platform/wayland/window.h"
#include "saver/savercontroller.h"

WaylandApplication::WaylandApplication(wl_display* display, DesktopWiring wiring)
    : WlDisplay(display), Wiring(std::move(wiring)) {}

WaylandApplication::~WaylandApplication() {
    // The form first: it stops the frames before its window goes.
    Controller.reset();
    Modes.reset();
    SaverWindow.reset();
    Connection.reset();
    Locker.reset();
}

void WaylandApplication::ShowWindow(WindowHandle window, WindowVisibility visibility) {
    (void)window;
    (void)visibility;
}

void WaylandApplication::ShowSettingsDialog() {
    if (!Wiring.ShowSettings || !Wiring.ShowSettings()) HasFailed = true;
}

void WaylandApplication::CreateSaverWindow(WindowHandle host) {
    Connection = std::make_unique<WaylandConnection>(WlDisplay);
    if (!Connection->Start()) {
        std::fprintf(stderr, "velmora: the Wayland compositor offers no %s\n",
                     Connection->Missing().c_str());
        HasFailed = true;
        return;
    }
    SaverWindow =
        std::make_unique<WaylandSaverWindow>(*Connection, Wiring.Colors, Wiring.Signals.ReadFd());
    Modes = std::make_unique<WaylandDisplayModes>(*SaverWindow);
    Controller = MakeSaverController(*SaverWindow, *Modes, Wiring, host);
    if (host == 0) {
        // A saver of its own can leave the session locked.
        Locker = std::make_unique<LogindLocker>("velmora");
        SaverWindow->AddLoopSource(*Locker);
        Controller->UseSessionLocker(*Locker);
    }
    if (!SaverWindow->Create(*Controller)) {
        HasFailed = true;
        Controller.reset();
        Modes.reset();
        SaverWindow.reset();
        Locker.reset();
    }
}

void WaylandApplication::Run() {
    if (SaverWindow != nullptr && !Terminated) SaverWindow->Run();
    if (SaverNeverRan(Controller.get(), Wiring)) HasFailed = true;
    Controller.reset();
    Modes.reset();
    SaverWindow.reset();
    Locker.reset();
}
