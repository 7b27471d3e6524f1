#include "platform/x11/trialwindow.h"

#include <X11/Xutil.h>

#include <cstring>

TrialWindow::TrialWindow(Display* display, unsigned width, unsigned height) : Connection(display) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(Connection, DefaultScreen(Connection));
    XWindow = XCreateWindow(Connection, DefaultRootWindow(Connection), 0, 0, width, height, 0,
                            CopyFromParent, InputOutput, CopyFromParent, CWBackPixel, &attributes);
    const char* title = "Velmora";
    XStoreName(Connection, XWindow, title);
    XChangeProperty(Connection, XWindow, XInternAtom(Connection, "_NET_WM_NAME", False),
                    XInternAtom(Connection, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title),
                    static_cast<int>(std::strlen(title)));
    XClassHint classHint{const_cast<char*>("velmora"), const_cast<char*>(title)};
    XSetClassHint(Connection, XWindow, &classHint);
    // The drive keeps the size it was made for: a fixed size asks window managers not to
    // stretch the window (tiling ones float it instead).
    XSizeHints* hints = XAllocSizeHints();
    if (hints != nullptr) {
        hints->flags = PMinSize | PMaxSize;
        hints->min_width = hints->max_width = static_cast<int>(width);
        hints->min_height = hints->max_height = static_cast<int>(height);
        XSetWMNormalHints(Connection, XWindow, hints);
        XFree(hints);
    }
    // The window manager's close button asks the saver's loop to close, which ends the run.
    Atom deleteWindow = XInternAtom(Connection, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(Connection, XWindow, &deleteWindow, 1);
}

TrialWindow::~TrialWindow() {
    if (XWindow != 0) XDestroyWindow(Connection, XWindow);
    XSync(Connection, False);
}
