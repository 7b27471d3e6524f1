// X errors. Xlib has one error handler for the whole process, and its default prints the error
// and ends the process. The handler installed here passes every error on to the handler that was
// in place before it, except two kinds that are expected:
// - errors of requests made inside an XErrorsIgnored scope, on that scope's connection: requests
//   on windows of other clients (a preview host, a running instance's window), which may be gone
//   or may never have existed;
// - errors that show a watched window gone (XVanishingWindow): a preview's window goes with its
//   host, which another client destroys at any moment, possibly while a frame is drawing on it.
#pragma once

#include <X11/Xlib.h>

// Installs the handler once; later calls do nothing.
void InstallXErrorHandler();

class XErrorsIgnored {
  public:
    // Errors of the requests that `display` sends from here to the end of the scope are ignored.
    // Errors of earlier requests are delivered first, to whoever handles them.
    explicit XErrorsIgnored(Display* display);
    // Waits for the errors of the scope's requests, so they all arrive inside it.
    ~XErrorsIgnored();
    XErrorsIgnored(const XErrorsIgnored&) = delete;
    XErrorsIgnored& operator=(const XErrorsIgnored&) = delete;

  private:
    Display* Connection;
    int Slot;
};

class XVanishingWindow {
  public:
    // Watches `window` as `display` draws on it. An error of that connection that names the
    // window as missing (BadWindow, BadDrawable), or a watched picture on it as missing, marks it
    // gone and is ignored; after that, BadMatch on this connection is ignored as well. Every
    // other error goes on.
    XVanishingWindow(Display* display, ::Window window);
    ~XVanishingWindow();
    XVanishingWindow(const XVanishingWindow&) = delete;
    XVanishingWindow& operator=(const XVanishingWindow&) = delete;

    // A RENDER picture made for the window, which goes when the window goes.
    void WatchPicture(unsigned long picture);
    bool Gone() const;

  private:
    int Slot;
};
