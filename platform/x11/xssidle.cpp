#include "platform/x11/xssidle.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <time.h>

#include <algorithm>

#include "platform/x11/xerrors.h"

namespace {

std::int64_t NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1'000'000;
}

// How often an XScreenSaver daemon's coming and going is looked for, and input after a report.
constexpr std::int64_t kLookAgainMs = 2000;
constexpr std::int64_t kWalkEveryMs = 10'000;

}  // namespace

std::unique_ptr<XssIdleSource> XssIdleSource::Connect(std::function<void()> idle,
                                                      std::function<void(bool)> stepAside,
                                                      std::string& problem) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        problem = "cannot open the X display";
        return nullptr;
    }
    int event = 0, error = 0;
    if (!XScreenSaverQueryExtension(display, &event, &error)) {
        problem = "the X server has no MIT-SCREEN-SAVER extension";
        XCloseDisplay(display);
        return nullptr;
    }
    InstallXErrorHandler();
    return std::unique_ptr<XssIdleSource>(
        new XssIdleSource(display, std::move(idle), std::move(stepAside)));
}

XssIdleSource::XssIdleSource(Display* display, std::function<void()> idle,
                             std::function<void(bool)> stepAside)
    : Connection(display),
      Idle(std::move(idle)),
      StepAside(std::move(stepAside)),
      Version(XInternAtom(display, "_SCREENSAVER_VERSION", False)) {}

XssIdleSource::~XssIdleSource() {
    XCloseDisplay(Connection);
}

void XssIdleSource::Arm(std::int64_t timeoutMs) {
    Armed = true;
    Fired = false;
    IdleTimeoutMs = timeoutMs;
    ArmedAt = NowMs();
    LastIdle = 0;
    NextCheck = ArmedAt;
}

void XssIdleSource::Disarm() {
    Armed = false;
}

int XssIdleSource::Fd() const {
    return ConnectionNumber(Connection);
}

int XssIdleSource::TimeoutMs() {
    return static_cast<int>(std::max<std::int64_t>(0, NextCheck - NowMs()));
}

bool XssIdleSource::Dispatch(short) {
    // Nothing is asked of the server but replies; whatever else comes is dropped.
    while (XPending(Connection) > 0) {
        XEvent event;
        XNextEvent(Connection, &event);
    }
    if (NowMs() >= NextCheck) Check();
    return true;
}

bool XssIdleSource::HasVersion(unsigned long window) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(Connection, window, Version, 0, 0, False, AnyPropertyType,
                                          &type, &format, &count, &after, &data) == Success &&
                       type != 0;
    if (data != nullptr) XFree(data);
    return found;
}

bool XssIdleSource::XScreenSaverRuns(std::int64_t now) {
    // Windows of other clients: any may be gone by the time it is asked about.
    XErrorsIgnored ignored(Connection);
    // The daemon marks a window of its own below the root, which goes with it, as
    // xscreensaver-command looks for it (a mark on the root window itself may outlive a killed
    // daemon); the window found last is looked at first.
    if (DaemonWindow != 0 && HasVersion(DaemonWindow)) return true;
    DaemonWindow = 0;
    const Window root = DefaultRootWindow(Connection);
    // The walk over the root's children costs a request each: not at every look.
    if (now < NextWalk) return false;
    NextWalk = now + kWalkEveryMs;
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(Connection, root, &rootReturn, &parent, &children, &count) == 0) return false;
    for (unsigned int i = 0; i < count && DaemonWindow == 0; ++i)
        if (HasVersion(children[i])) DaemonWindow = children[i];
    if (children != nullptr) XFree(children);
    return DaemonWindow != 0;
}

void XssIdleSource::Check() {
    const std::int64_t now = NowMs();
    NextCheck = now + kLookAgainMs;
    const bool aside = XScreenSaverRuns(now);
    if (aside != Aside) {
        Aside = aside;
        StepAside(aside);
        // Back from stepping aside: the period starts now, not at the daemon's last input.
        if (!aside) ArmedAt = now;
    }
    if (!Armed || Aside) return;
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (info == nullptr) return;
    XScreenSaverQueryInfo(Connection, DefaultRootWindow(Connection), info);
    const std::int64_t idle = static_cast<std::int64_t>(info->idle);
    XFree(info);
    if (idle < LastIdle) Fired = false;  // input since the last look: a new period
    LastIdle = idle;
    // The period counts from the arming at the earliest.
    const std::int64_t idleFor = std::min(idle, now - ArmedAt);
    if (!Fired && idleFor >= IdleTimeoutMs) {
        Fired = true;
        Idle();
        return;
    }
    if (!Fired) NextCheck = now + std::min(kLookAgainMs, IdleTimeoutMs - idleFor);
}
