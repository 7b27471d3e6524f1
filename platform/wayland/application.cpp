#include "platform/wayland/application.h"

#include <cstdio>

#include "platform/posix/signals.h"
#include "platform/wayland/connection.h"
#include "platform/wayland/displaymodes.h"
#include "platform/wayland/window.h"
#include "saver/savercontroller.h"

WaylandApplication::WaylandApplication(wl_display* display, DesktopWiring wiring)
    : display_(display), wiring_(std::move(wiring)) {}

WaylandApplication::~WaylandApplication() {
    // The form first: it stops the frames before its window goes.
    controller_.reset();
    modes_.reset();
    window_.reset();
    connection_.reset();
}

void WaylandApplication::ShowWindow(WindowHandle window, WindowVisibility visibility) {
    (void)window;
    (void)visibility;
}

void WaylandApplication::ShowSettingsDialog() {
    if (!wiring_.ShowSettings || !wiring_.ShowSettings()) failed_ = true;
}

void WaylandApplication::CreateSaverWindow(WindowHandle host) {
    connection_ = std::make_unique<WaylandConnection>(display_);
    if (!connection_->Start()) {
        std::fprintf(stderr, "velmora: the Wayland compositor offers no %s\n",
                     connection_->Missing().c_str());
        failed_ = true;
        return;
    }
    window_ = std::make_unique<WaylandSaverWindow>(*connection_, wiring_.Colors,
                                                   wiring_.Signals.ReadFd());
    modes_ = std::make_unique<WaylandDisplayModes>(*window_);
    controller_ = MakeSaverController(*window_, *modes_, wiring_, host);
    if (!window_->Create(*controller_)) {
        failed_ = true;
        controller_.reset();
        modes_.reset();
        window_.reset();
    }
}

void WaylandApplication::Run() {
    if (window_ != nullptr && !terminated_) window_->Run();
    if (SaverNeverRan(controller_.get(), wiring_)) failed_ = true;
    controller_.reset();
    modes_.reset();
    window_.reset();
}
