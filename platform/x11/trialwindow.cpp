#include "platform/x11/trialwindow.h"

#include <X11/Xutil.h>

#include <cstring>

TrialWindow::TrialWindow(Display* display, unsigned width, unsigned height) : display_(display) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display_, DefaultScreen(display_));
    window_ = XCreateWindow(display_, DefaultRootWindow(display_), 0, 0, width, height, 0,
                            CopyFromParent, InputOutput, CopyFromParent, CWBackPixel, &attributes);
    const char* title = "Velmora";
    XStoreName(display_, window_, title);
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False),
                    XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title),
                    static_cast<int>(std::strlen(title)));
    XClassHint classHint{const_cast<char*>("velmora"), const_cast<char*>(title)};
    XSetClassHint(display_, window_, &classHint);
    // The drive keeps the size it was made for: a fixed size asks window managers not to
    // stretch the window (tiling ones float it instead).
    XSizeHints* hints = XAllocSizeHints();
    if (hints != nullptr) {
        hints->flags = PMinSize | PMaxSize;
        hints->min_width = hints->max_width = static_cast<int>(width);
        hints->min_height = hints->max_height = static_cast<int>(height);
        XSetWMNormalHints(display_, window_, hints);
        XFree(hints);
    }
    // The window manager's close button asks the saver's loop to close, which ends the run.
    Atom deleteWindow = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &deleteWindow, 1);
}

TrialWindow::~TrialWindow() {
    if (window_ != 0) XDestroyWindow(display_, window_);
    XSync(display_, False);
}
