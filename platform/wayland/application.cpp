#include "platform/wayland/application.h"

#include <cstdio>

#include "platform/dbus/logindlocker.h"
#include "platform/posix/signals.h"
#include "platform/wayland/connection.h"
#include "platform/wayland/displaymodes.h"
#include "platform/wayland/window.h"
#include "saver/savercontroller.h"

WaylandApplication::WaylandApplication(wl_display* display, DesktopWiring wiring)
    : DesktopApplication(std::move(wiring)), WlDisplay(display) {}

WaylandApplication::~WaylandApplication() = default;

void WaylandApplication::ShowWindow(WindowHandle window, WindowVisibility visibility) {
    (void)window;
    (void)visibility;
}

void WaylandApplication::CreateSaverWindow(WindowHandle host) {
    Connection = std::make_unique<WaylandConnection>(WlDisplay);
    if (!Connection->Start()) {
        std::fprintf(stderr, "velmora: the Wayland compositor offers no %s\n",
                     Connection->Missing().c_str());
        HasFailed = true;
        return;
    }
    Saver.SaverWindow =
        std::make_unique<WaylandSaverWindow>(*Connection, Wiring.Colors, Wiring.Signals.ReadFd());
    Saver.DisplayModes = std::make_unique<WaylandDisplayModes>(*Saver.SaverWindow);
    if (!Saver.Create(Wiring, host)) HasFailed = true;
}
