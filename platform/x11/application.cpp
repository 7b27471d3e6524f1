#include "platform/x11/application.h"

// The core before Xlib, whose macros would otherwise rename the core's identifiers.
#include <cstdio>

#include "platform/posix/signals.h"
#include "platform/x11/displaymodes.h"
#include "platform/x11/window.h"
#include "platform/x11/xerrors.h"
#include "saver/savercontroller.h"

X11Application::X11Application(_XDisplay* display, X11Wiring wiring)
    : display_(display), wiring_(std::move(wiring)) {}

X11Application::~X11Application() {
    // The form first: it stops the frames before its window goes.
    controller_.reset();
    window_.reset();
}

void X11Application::Initialize(std::string_view title) {
    (void)title;
}

void X11Application::ShowWindow(WindowHandle window, WindowVisibility visibility) {
    if (display_ == nullptr || window == 0) return;
    // The number comes from the command line and may name no window.
    XErrorsIgnored quiet(display_);
    if (visibility == WindowVisibility::Shown)
        XMapWindow(display_, static_cast<::Window>(window));
    else
        XUnmapWindow(display_, static_cast<::Window>(window));
}

void X11Application::ShowSettingsDialog() {
    if (!wiring_.ShowSettings || !wiring_.ShowSettings()) failed_ = true;
}

void X11Application::CreateSaverWindow(WindowHandle host) {
    if (display_ == nullptr) {
        std::fprintf(stderr, "velmora: cannot open the X display\n");
        failed_ = true;
        return;
    }
    modes_ = std::make_unique<XRandRDisplayModes>(display_);
    window_ = std::make_unique<XSaverWindow>(display_, wiring_.Colors, wiring_.Signals.ReadFd());
    controller_ = MakeSaverController(*window_, *modes_, wiring_, host);
    if (!window_->Create(*controller_)) {
        failed_ = true;
        controller_.reset();
        window_.reset();
    }
}

void X11Application::Run() {
    if (window_ != nullptr && !terminated_) window_->Run();
    if (SaverNeverRan(controller_.get(), wiring_)) failed_ = true;
    controller_.reset();
    window_.reset();
}
