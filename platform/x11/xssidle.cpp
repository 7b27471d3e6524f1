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
    : display_(display),
      idle_(std::move(idle)),
      stepAside_(std::move(stepAside)),
      version_(XInternAtom(display, "_SCREENSAVER_VERSION", False)) {}

XssIdleSource::~XssIdleSource() {
    XCloseDisplay(display_);
}

void XssIdleSource::Arm(std::int64_t timeoutMs) {
    armed_ = true;
    fired_ = false;
    timeoutMs_ = timeoutMs;
    armedAt_ = NowMs();
    lastIdle_ = 0;
    nextCheck_ = armedAt_;
}

void XssIdleSource::Disarm() {
    armed_ = false;
}

int XssIdleSource::Fd() const {
    return ConnectionNumber(display_);
}

int XssIdleSource::TimeoutMs() {
    return static_cast<int>(std::max<std::int64_t>(0, nextCheck_ - NowMs()));
}

bool XssIdleSource::Dispatch(short) {
    // Nothing is asked of the server but replies; whatever else comes is dropped.
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
    }
    if (NowMs() >= nextCheck_) Check();
    return true;
}

bool XssIdleSource::HasVersion(unsigned long window) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(display_, window, version_, 0, 0, False, AnyPropertyType,
                                          &type, &format, &count, &after, &data) == Success &&
                       type != 0;
    if (data != nullptr) XFree(data);
    return found;
}

bool XssIdleSource::XScreenSaverRuns(std::int64_t now) {
    // Windows of other clients: any may be gone by the time it is asked about.
    XErrorsIgnored ignored(display_);
    // The daemon marks a window of its own below the root, which goes with it, as
    // xscreensaver-command looks for it (a mark on the root window itself may outlive a killed
    // daemon); the window found last is looked at first.
    if (daemonWindow_ != 0 && HasVersion(daemonWindow_)) return true;
    daemonWindow_ = 0;
    const Window root = DefaultRootWindow(display_);
    // The walk over the root's children costs a request each: not at every look.
    if (now < nextWalk_) return false;
    nextWalk_ = now + kWalkEveryMs;
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display_, root, &rootReturn, &parent, &children, &count) == 0) return false;
    for (unsigned int i = 0; i < count && daemonWindow_ == 0; ++i)
        if (HasVersion(children[i])) daemonWindow_ = children[i];
    if (children != nullptr) XFree(children);
    return daemonWindow_ != 0;
}

void XssIdleSource::Check() {
    const std::int64_t now = NowMs();
    nextCheck_ = now + kLookAgainMs;
    const bool aside = XScreenSaverRuns(now);
    if (aside != aside_) {
        aside_ = aside;
        stepAside_(aside);
        // Back from stepping aside: the period starts now, not at the daemon's last input.
        if (!aside) armedAt_ = now;
    }
    if (!armed_ || aside_) return;
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (info == nullptr) return;
    XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info);
    const std::int64_t idle = static_cast<std::int64_t>(info->idle);
    XFree(info);
    if (idle < lastIdle_) fired_ = false;  // input since the last look: a new period
    lastIdle_ = idle;
    // The period counts from the arming at the earliest.
    const std::int64_t idleFor = std::min(idle, now - armedAt_);
    if (!fired_ && idleFor >= timeoutMs_) {
        fired_ = true;
        idle_();
        return;
    }
    if (!fired_) nextCheck_ = now + std::min(kLookAgainMs, timeoutMs_ - idleFor);
}
