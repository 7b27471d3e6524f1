#include "platform/x11/xerrors.h"

#include <mutex>

namespace {

// Handlers run on whichever thread reads the connection; the tables are shared between the
// window's thread and the timer thread's drawing connection.
std::mutex tableLock;
XErrorHandler previousHandler = nullptr;

struct IgnoreScope {
    Display* Connection = nullptr;
    unsigned long FirstSerial = 0;
    int Depth = 0;
};

struct Watched {
    Display* Connection = nullptr;
    ::Window Target = 0;
    unsigned long Picture = 0;
    int BadPictureCode = -1;  // RENDER's BadPicture on this connection; -1 without RENDER
    bool Gone = false;
};

constexpr int kSlots = 8;
IgnoreScope scopes[kSlots];
Watched watched[kSlots];

bool InScope(Display* display, const XErrorEvent& error) {
    for (const auto& s : scopes)
        if (s.Connection == display && s.Depth > 0 && error.serial >= s.FirstSerial) return true;
    return false;
}

bool ShowsWatchedWindowGone(Display* display, const XErrorEvent& error) {
    const int code = error.error_code;
    for (auto& w : watched) {
        if (w.Connection != display) continue;
        const bool missingWindow =
            (code == BadWindow || code == BadDrawable) && error.resourceid == w.Target;
        const bool missingPicture =
            w.Picture != 0 && code == w.BadPictureCode && error.resourceid == w.Picture;
        if (missingWindow || missingPicture) {
            w.Gone = true;
            return true;
        }
        // BadMatch names no resource; once the window is gone, drawing on it may cause one.
        if (w.Gone && code == BadMatch) return true;
    }
    return false;
}

int HandleXError(Display* display, XErrorEvent* error) {
    {
        std::lock_guard lock(tableLock);
        if (InScope(display, *error) || ShowsWatchedWindowGone(display, *error)) return 0;
    }
    return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

}  // namespace

void InstallXErrorHandler() {
    static std::once_flag once;
    std::call_once(once, [] { previousHandler = XSetErrorHandler(&HandleXError); });
}

XErrorsIgnored::XErrorsIgnored(Display* display) : Connection(display), Slot(-1) {
    InstallXErrorHandler();
    XSync(Connection, False);
    const unsigned long first = NextRequest(Connection);
    std::lock_guard lock(tableLock);
    for (int i = 0; i < kSlots && Slot < 0; ++i)
        if (scopes[i].Connection == Connection) Slot = i;
    for (int i = 0; i < kSlots && Slot < 0; ++i)
        if (scopes[i].Depth == 0) Slot = i;
    if (Slot < 0) return;  // more scopes at once than connections in the process
    IgnoreScope& s = scopes[Slot];
    if (s.Depth++ == 0) {
        s.Connection = Connection;
        s.FirstSerial = first;
    }
}

XErrorsIgnored::~XErrorsIgnored() {
    XSync(Connection, False);
    if (Slot < 0) return;
    std::lock_guard lock(tableLock);
    if (--scopes[Slot].Depth == 0) scopes[Slot] = IgnoreScope{};
}

XVanishingWindow::XVanishingWindow(Display* display, ::Window window) : Slot(-1) {
    InstallXErrorHandler();
    int opcode = 0, firstEvent = 0, firstError = 0;
    const int badPicture =
        XQueryExtension(display, "RENDER", &opcode, &firstEvent, &firstError) ? firstError + 1 : -1;
    std::lock_guard lock(tableLock);
    for (int i = 0; i < kSlots && Slot < 0; ++i)
        if (watched[i].Connection == nullptr) Slot = i;
    if (Slot >= 0) watched[Slot] = Watched{display, window, 0, badPicture, false};
}

XVanishingWindow::~XVanishingWindow() {
    if (Slot < 0) return;
    std::lock_guard lock(tableLock);
    watched[Slot] = Watched{};
}

void XVanishingWindow::WatchPicture(unsigned long picture) {
    if (Slot < 0) return;
    std::lock_guard lock(tableLock);
    watched[Slot].Picture = picture;
}

bool XVanishingWindow::Gone() const {
    if (Slot < 0) return false;
    std::lock_guard lock(tableLock);
    return watched[Slot].Gone;
}
