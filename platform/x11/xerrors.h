// Requests on windows of other clients (a preview host, a running instance's window), which may
// be gone or may never have existed: their errors are expected and must not end the process.
#pragma once

#include <X11/Xlib.h>

class XErrorsIgnored {
  public:
    explicit XErrorsIgnored(Display* display)
        : display_(display), previous_(XSetErrorHandler(&Ignore)) {}
    ~XErrorsIgnored() {
        // The errors of the requests made meanwhile all arrive before the old handler is back.
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    XErrorsIgnored(const XErrorsIgnored&) = delete;
    XErrorsIgnored& operator=(const XErrorsIgnored&) = delete;

  private:
    static int Ignore(Display*, XErrorEvent*) { return 0; }
    Display* display_;
    XErrorHandler previous_;
};
