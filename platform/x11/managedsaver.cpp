#include "platform/x11/managedsaver.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <cstring>

bool IsXwayland(Display* display) {
    int event = 0, error = 0;
    if (!XRRQueryExtension(display, &event, &error)) return false;
    XRRScreenResources* resources =
        XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (resources == nullptr) return false;
    bool xwayland = false;
    for (int i = 0; i < resources->noutput && !xwayland; ++i) {
        XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[i]);
        if (output == nullptr) continue;
        xwayland = std::strncmp(output->name, "XWAYLAND", 8) == 0;
        XRRFreeOutputInfo(output);
    }
    XRRFreeScreenResources(resources);
    return xwayland;
}

void AskAboveWithoutFrame(Display* display, ::Window window, bool fullScreen) {
    Atom states[] = {XInternAtom(display, "_NET_WM_STATE_ABOVE", False),
                     XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False)};
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(states), fullScreen ? 2 : 1);
    // Motif's hints: decorations (flag 2) none.
    long motif[5] = {2, 0, 0, 0, 0};
    const Atom motifHints = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    XChangeProperty(display, window, motifHints, motifHints, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(motif), 5);
    // Where the saver put it, as the user's own choice, which the window manager keeps.
    ::Window root = None;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    XGetGeometry(display, window, &root, &x, &y, &width, &height, &border, &depth);
    XSizeHints size{};
    size.flags = USPosition | USSize;
    size.x = x;
    size.y = y;
    size.width = static_cast<int>(width);
    size.height = static_cast<int>(height);
    XSetWMNormalHints(display, window, &size);
    XWMHints wm{};
    wm.flags = InputHint;
    wm.input = True;
    XSetWMHints(display, window, &wm);
}

void AskActivation(Display* display, ::Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // asked by the application itself
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}
