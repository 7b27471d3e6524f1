#include "platform/wayland/application.h"

#include <cstdio>

#include "platform/posix/signals.h"
#include "platform/wayland/connection.h"
#include "platform/wayland/displaymodes.h"
#include "platform/wayland/window.h"
#include "saver/saverwindow.h"

WaylandApplication::WaylandApplication(wl_display* display, DesktopWiring wiring)
    : display_(display), wiring_(std::move(wiring)) {}

WaylandApplication::~WaylandApplication() {
    // The form first: it stops the frames before its window goes.
    form_.reset();
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
    SaverPlatform platform{*window_,      wiring_.Services, wiring_.Reg,    *modes_,
                           wiring_.Timer, wiring_.Box,      wiring_.Random, wiring_.TimeOfDay};
    form_ = std::make_unique<SaverWindow>(*window_, platform, host, wiring_.Overrides);
    if (!window_->Create(*form_)) {
        failed_ = true;
        form_.reset();
        modes_.reset();
        window_.reset();
    }
}

void WaylandApplication::Run() {
    if (window_ != nullptr && !terminated_) window_->Run();
    if (form_ != nullptr && !form_->SceneReady() && wiring_.Signals.Received() == 0)
        failed_ = true;
    form_.reset();
    modes_.reset();
    window_.reset();
}
