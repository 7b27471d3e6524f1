#include "platform/x11/windowfinder.h"

#include <X11/Xatom.h>

#include <string>

#include "platform/x11/xerrors.h"

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

}  // namespace

bool XWindowFinder::TitleMatches(::Window window, std::string_view title) {
    char* name = nullptr;
    bool match = false;
    if (XFetchName(Connection, window, &name) && name != nullptr) {
        match = SameIgnoringCase(name, title);
        XFree(name);
    }
    return match;
}

WindowHandle XWindowFinder::FindWindow(std::string_view title) {
    if (Connection == nullptr) return 0;
    // Windows may go while they are looked at.
    XErrorsIgnored quiet(Connection);
    ::Window rootReturn, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(Connection, DefaultRootWindow(Connection), &rootReturn, &parent, &children,
                    &count))
        return 0;
    WindowHandle found = 0;
    // Top-level windows are the root's children, or, under a reparenting window manager, the
    // children of those frames.
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        if (TitleMatches(children[i], title)) {
            found = children[i];
            break;
        }
        ::Window r, p, *inner = nullptr;
        unsigned int innerCount = 0;
        if (XQueryTree(Connection, children[i], &r, &p, &inner, &innerCount)) {
            for (unsigned int j = 0; j < innerCount && found == 0; ++j)
                if (TitleMatches(inner[j], title)) found = inner[j];
            if (inner != nullptr) XFree(inner);
        }
    }
    if (children != nullptr) XFree(children);
    return found;
}

void XWindowFinder::SetForegroundWindow(WindowHandle window) {
    if (Connection == nullptr || window == 0) return;
    // The running instance may be closing just now, its window with it.
    XErrorsIgnored quiet(Connection);
    XRaiseWindow(Connection, static_cast<::Window>(window));
    // Ask a window manager, where there is one, to activate it.
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<::Window>(window);
    event.xclient.message_type = XInternAtom(Connection, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // from a pager-like source: honoured without focus stealing rules
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(Connection, DefaultRootWindow(Connection), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}
