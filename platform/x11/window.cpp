#include "platform/x11/window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/posix/signals.h"
#include "platform/x11/managedsaver.h"
#include "platform/x11/monitorpower.h"
#include "platform/x11/monitors.h"

namespace {

constexpr const char* kTitle = "Velmora";
constexpr long kInputMask =
    KeyPressMask | ButtonPressMask | PointerMotionMask | EnterWindowMask | FocusChangeMask;

}  // namespace

XSaverWindow::XSaverWindow(Display* display, const SystemColorSource& colors, int wakeFd)
    : Connection(display), Colors(colors), WakeFd(wakeFd) {
    InstallXErrorHandler();
}

XSaverWindow::~XSaverWindow() {
    Drawing.reset();
    // Closing waits for the drawing connection's last errors, which its watch still expects.
    if (DrawConnection != nullptr && DrawConnection != Connection) XCloseDisplay(DrawConnection);
    DrawWatch.reset();
    if (XWindow != 0) XDestroyWindow(Connection, XWindow);
    for (const ::Window cover : Covers) XDestroyWindow(Connection, cover);
    if (BlankCursor != 0) XFreeCursor(Connection, BlankCursor);
    XSync(Connection, False);
    WindowWatch.reset();
}

bool XSaverWindow::Create(WindowEvents& events) {
    Events = &events;
    return Lifecycle.Create(events);
}

WindowCreateParams XSaverWindow::DefaultParams() {
    // The framework's own parameters for a borderless form.
    WindowCreateParams params;
    params.DoubleClicks = true;
    return params;
}

bool XSaverWindow::MakeWindow(const WindowCreateParams& params) {
    const ::Window root = DefaultRootWindow(Connection);
    Host = params.Child ? static_cast<::Window>(params.Parent) : 0;
    TopLevel = Host == 0;
    AcceptsInput = !params.Disabled;
    // The host belongs to another client: it may be gone already, or go while the child is made.
    std::optional<XErrorsIgnored> hostRequests;
    if (Host != 0) hostRequests.emplace(Connection);
    XWindowAttributes hostAttributes;
    // A host that is not a window gets no window at all. (Not even one of the saver's own: its
    // number could be the very one the gone host had, as the server hands a dead client's
    // numbers to the next, and the saver would then take its own window for the host.)
    const bool hostValid =
        Host != 0 && XGetWindowAttributes(Connection, Host, &hostAttributes) != 0;
    if (Host != 0 && !hostValid) return false;

    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(Connection, DefaultScreen(Connection));
    // Top-most: no window manager places or decorates it, except under Xwayland, where the
    // keyboard comes only to a window the window manager manages. The same for a preview into
    // the root window itself (XScreenSaver's -root without a window of its own).
    Managed = TopLevel && params.TopMost && IsXwayland(Connection);
    attributes.override_redirect =
        (TopLevel && params.TopMost && !Managed) || (hostValid && Host == root);
    attributes.event_mask =
        StructureNotifyMask | VisibilityChangeMask | (AcceptsInput ? kInputMask : 0);
    XWindow = XCreateWindow(Connection, hostValid ? Host : root, 0, 0, 1, 1, 0, CopyFromParent,
                            InputOutput, CopyFromParent,
                            CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
    if (XWindow == 0) return false;
    if (Host != 0) WindowWatch = std::make_unique<XVanishingWindow>(Connection, XWindow);
    if (hostValid) XSelectInput(Connection, Host, StructureNotifyMask);

    XStoreName(Connection, XWindow, kTitle);
    const Atom utf8 = XInternAtom(Connection, "UTF8_STRING", False);
    XChangeProperty(Connection, XWindow, XInternAtom(Connection, "_NET_WM_NAME", False), utf8, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(kTitle),
                    static_cast<int>(std::strlen(kTitle)));
    XClassHint classHint{const_cast<char*>("velmora"), const_cast<char*>(kTitle)};
    XSetClassHint(Connection, XWindow, &classHint);
    WmDeleteWindow = XInternAtom(Connection, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(Connection, XWindow, &WmDeleteWindow, 1);

    Pixmap empty = XCreatePixmap(Connection, XWindow, 1, 1, 1);
    XColor black{};
    BlankCursor = XCreatePixmapCursor(Connection, empty, empty, &black, &black, 0, 0);
    XFreePixmap(Connection, empty);

    // The surface draws over a connection of its own, from the timer thread; the window must
    // exist on the server before that connection uses it.
    XSync(Connection, False);
    hostRequests.reset();
    // A host that went while the child was made took the child along, or never had it: there is
    // nothing to draw in, and no event will say so.
    XWindowAttributes own;
    if (Host != 0 && XGetWindowAttributes(Connection, XWindow, &own) == 0) return false;
    DrawConnection = XOpenDisplay(DisplayString(Connection));
    if (DrawConnection == nullptr) DrawConnection = Connection;
    if (Host != 0) DrawWatch = std::make_unique<XVanishingWindow>(DrawConnection, XWindow);
    Drawing = std::make_unique<XSurface>(DrawConnection, XWindow, Colors);
    // A blank screen that says nothing is worse than no saver.
    if (!Drawing->Unsupported().empty()) {
        std::fprintf(stderr, "velmora: cannot show the scene's colours: %s\n",
                     Drawing->Unsupported().c_str());
        return false;
    }
    if (DrawWatch) DrawWatch->WatchPicture(Drawing->RenderPicture());

    return true;
}

bool XSaverWindow::TerminationPending() {
    return SignalWaiting(WakeFd);
}

bool XSaverWindow::Map() {
    // The other monitors first, so that the saver's own window ends up on top of them.
    if (TopLevel) CoverOtherMonitors();
    if (Managed) {
        int x, y, w, h;
        PrimaryOrigin(x, y, w, h);
        AskAboveWithoutFrame(Connection, XWindow, Width == w && Height == h);
    }
    XMapRaised(Connection, XWindow);
    XSync(Connection, False);
    return true;
}

void XSaverWindow::TakeInput() {
    if (TopLevel && AcceptsInput) {
        // The keyboard's focus, so that keys typed now reach no window beneath; the window grabs
        // nothing, so a locker that comes up over it gets the keyboard and the pointer at once.
        XGetInputFocus(Connection, &PreviousFocus, &PreviousRevert);
        {
            XErrorsIgnored notViewable(Connection);
            XSetInputFocus(Connection, XWindow, RevertToParent, CurrentTime);
            XSync(Connection, False);
        }
        FocusTaken = true;
        if (Managed) AskActivation(Connection, XWindow);
        WatchRawInput();
        // A window that appears under the pointer learns where the pointer is, as if it had
        // moved there: that is the first position the form records.
        PointerOverWindow();
    }
    XFlush(Connection);
}

void XSaverWindow::WatchRawInput() {
    // Raw events come from every device whoever has the focus or a grab (version 2.1 and later),
    // so the first key or button anywhere ends the saver without holding the devices.
    int event = 0, error = 0, major = 2, minor = 2;
    if (!XQueryExtension(Connection, "XInputExtension", &RawInputOpcode, &event, &error) ||
        XIQueryVersion(Connection, &major, &minor) != Success || major * 10 + minor < 21) {
        RawInputOpcode = -1;
        return;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawMotion);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(Connection, DefaultRootWindow(Connection), &mask, 1);
}

void XSaverWindow::PointerOverWindow() {
    ::Window rootReturn, childReturn;
    int rootX, rootY, x, y;
    unsigned int buttons;
    if (XQueryPointer(Connection, XWindow, &rootReturn, &childReturn, &rootX, &rootY, &x, &y,
                      &buttons) &&
        Inside(x, y))
        Events->OnMouseMove(x, y);
}

void XSaverWindow::DispatchRaw(XEvent& event) {
    if (!XGetEventData(Connection, &event.xcookie)) return;
    const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
    switch (event.xcookie.evtype) {
        case XI_RawKeyPress:
            Events->OnKeyDown();
            break;
        case XI_RawButtonPress:
            // Buttons 4 to 7 are the wheel's steps, which scroll rather than press.
            if (raw->detail < 4 || raw->detail > 7) Events->OnMouseDown();
            break;
        case XI_RawMotion:
            // Raw motion carries no position (and a wheel that scrolls smoothly moves too): where
            // the pointer now is over the window decides, as for the window's own motion events.
            PointerOverWindow();
            break;
        default:
            break;
    }
    XFreeEventData(Connection, &event.xcookie);
}

void XSaverWindow::FocusChange(const XFocusChangeEvent& event) {
    // A grab moves the keyboard away from the window that has the focus (or, with the focus on
    // the root, from the window under the pointer), which hears it as a focus change of mode
    // NotifyGrab, and as NotifyUngrab when it ends; the window grabs nothing itself, so either
    // is another client's. A change between the window and a child of its own says nothing.
    if (event.window != XWindow || event.detail == NotifyInferior) return;
    bool grabbed = KeyboardGrabbed;
    if (event.type == FocusOut && event.mode == NotifyGrab) grabbed = true;
    if (event.type == FocusIn && event.mode == NotifyUngrab) grabbed = false;
    if (grabbed == KeyboardGrabbed) return;
    KeyboardGrabbed = grabbed;
    if (Lifecycle.Shown() && !Lifecycle.Closed()) Events->OnKeyboardTaken(grabbed);
}

void XSaverWindow::Sight(HiddenCause cause, bool holds) {
    if (SightGate.Set(cause, holds) && Lifecycle.Shown() && !Lifecycle.Closed())
        Events->OnVisibilityChanged(SightGate.Seen());
}

int XSaverWindow::WatchMonitorPower() {
    // The server tells no client when it powers the monitors down: asked now and then.
    const auto now = std::chrono::steady_clock::now();
    if (now >= NextPowerCheck) {
        Sight(HiddenCause::MonitorsOff, MonitorsOff(Connection));
        NextPowerCheck = now + VisibilityGate::kPollInterval;
    }
    return static_cast<int>(
        std::chrono::ceil<std::chrono::milliseconds>(NextPowerCheck - now).count());
}

void XSaverWindow::Run() {
    while (!Lifecycle.Closed()) {
        while (!Lifecycle.Closed() && XPending(Connection) > 0) {
            XEvent event;
            XNextEvent(Connection, &event);
            Dispatch(event);
        }
        if (Lifecycle.Closed()) break;
        if (BannerTimer.Fire()) {
            Events->OnBannerEnd();
            XFlush(Connection);
            continue;
        }
        int timeout = BannerTimer.TimeoutMs();
        const int power = WatchMonitorPower();
        if (timeout < 0 || power < timeout) timeout = power;
        if (ExtraSource != nullptr) {
            ExtraSource->BeforePoll();
            const int extra = ExtraSource->TimeoutMs();
            if (extra >= 0 && (timeout < 0 || extra < timeout)) timeout = extra;
        }
        // A descriptor of -1 (no signal pipe, a source not yet open) is left out by poll.
        pollfd fds[3] = {{ConnectionNumber(Connection), POLLIN, 0},
                         {WakeFd, POLLIN, 0},
                         {ExtraSource != nullptr ? ExtraSource->Fd() : -1, POLLIN, 0}};
        const int ready = poll(fds, 3, timeout);
        if (ready > 0 && WakeFd >= 0 && (fds[1].revents & POLLIN) != 0) {
            char drained[64];
            [[maybe_unused]] auto n = read(WakeFd, drained, sizeof drained);
            // A termination signal: the ordinary close, so the display and cursor come back.
            Close();
        }
        if (ExtraSource != nullptr && !Lifecycle.Closed())
            ExtraSource->Dispatch(ready > 0 ? fds[2].revents : 0);
    }
}

void XSaverWindow::Dispatch(XEvent& event) {
    if (event.type == GenericEvent && event.xcookie.extension == RawInputOpcode) {
        if (AcceptsInput && !Lifecycle.Closed()) DispatchRaw(event);
        XFlush(Connection);
        return;
    }
    switch (event.type) {
        case KeyPress:
            if (AcceptsInput) Events->OnKeyDown();
            break;
        case ButtonPress:
            // Buttons 4 to 7 are the wheel's steps, which scroll rather than press.
            if (AcceptsInput && (event.xbutton.button < 4 || event.xbutton.button > 7))
                Events->OnMouseDown();
            break;
        case MotionNotify:
            // Only motion over the window moves the mouse over it.
            if (AcceptsInput && Inside(event.xmotion.x, event.xmotion.y))
                Events->OnMouseMove(event.xmotion.x, event.xmotion.y);
            break;
        case EnterNotify:
            // The pointer comes over the window (from another monitor, or a window that went).
            if (AcceptsInput && event.xcrossing.window == XWindow &&
                Inside(event.xcrossing.x, event.xcrossing.y))
                Events->OnMouseMove(event.xcrossing.x, event.xcrossing.y);
            break;
        case DestroyNotify:
            if (Host != 0 &&
                (event.xdestroywindow.window == Host || event.xdestroywindow.window == XWindow))
                Events->OnHostGone();
            break;
        case ConfigureNotify:
            if (Host != 0 && event.xconfigure.window == Host) {
                // A resize comes as a run of these while the host's owner drags or settles it:
                // only the last size is laid out.
                XEvent later;
                while (XCheckTypedWindowEvent(Connection, Host, ConfigureNotify, &later))
                    event = later;
                // The outer size, border included, as the host's size is read at the start.
                const XConfigureEvent& c = event.xconfigure;
                Events->OnHostResized(c.width + 2 * c.border_width, c.height + 2 * c.border_width);
            }
            break;
        case FocusIn:
        case FocusOut:
            if (TellsKeyboardTaken()) FocusChange(event.xfocus);
            break;
        case VisibilityNotify:
            if (event.xvisibility.window == XWindow)
                Sight(HiddenCause::Covered, event.xvisibility.state == VisibilityFullyObscured);
            break;
        case UnmapNotify:
            if (event.xunmap.window == XWindow) Sight(HiddenCause::Unmapped, true);
            break;
        case MapNotify:
            if (event.xmap.window == XWindow) Sight(HiddenCause::Unmapped, false);
            break;
        case ClientMessage:
            if (static_cast<Atom>(event.xclient.data.l[0]) == WmDeleteWindow) Close();
            break;
        default:
            break;
    }
    XFlush(Connection);
}

bool XSaverWindow::GetWindowRect(WindowHandle window, Rect32& rect) {
    // Any window of the desktop, most likely another client's, which may be gone.
    XErrorsIgnored quiet(Connection);
    XWindowAttributes a;
    if (window == 0 || XGetWindowAttributes(Connection, static_cast<::Window>(window), &a) == 0)
        return false;
    int x = 0, y = 0;
    ::Window child;
    XTranslateCoordinates(Connection, static_cast<::Window>(window), DefaultRootWindow(Connection),
                          0, 0, &x, &y, &child);
    // The outer rectangle, border included.
    rect.Left = x - a.border_width;
    rect.Top = y - a.border_width;
    rect.Right = rect.Left + a.width + 2 * a.border_width;
    rect.Bottom = rect.Top + a.height + 2 * a.border_width;
    return true;
}

void XSaverWindow::PrimaryOrigin(int& x, int& y, int& width, int& height) {
    const Rect32 drive = PlaceSaver(Connection, QueryMonitors(Connection)).Drive;
    x = drive.Left;
    y = drive.Top;
    width = drive.Right - drive.Left;
    height = drive.Bottom - drive.Top;
}

void XSaverWindow::CoverOtherMonitors() {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(Connection, DefaultScreen(Connection));
    attributes.override_redirect = True;
    attributes.cursor = BlankCursor;
    for (const Rect32& r : PlaceSaver(Connection, QueryMonitors(Connection)).Covers) {
        const ::Window cover =
            XCreateWindow(Connection, DefaultRootWindow(Connection), r.Left, r.Top,
                          static_cast<unsigned>(r.Right - r.Left),
                          static_cast<unsigned>(r.Bottom - r.Top), 0, CopyFromParent, InputOutput,
                          CopyFromParent, CWBackPixel | CWOverrideRedirect | CWCursor, &attributes);
        XStoreName(Connection, cover, "Velmora");
        XMapRaised(Connection, cover);
        Covers.push_back(cover);
    }
}

void XSaverWindow::PrimaryScreenSize(std::int32_t& width, std::int32_t& height) {
    int x, y, w, h;
    PrimaryOrigin(x, y, w, h);
    width = w;
    height = h;
}

void XSaverWindow::SetBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                             std::int32_t height) {
    int originX = 0, originY = 0;
    if (TopLevel) {
        // Run-mode coordinates count from the primary screen's corner, as on Windows, where the
        // primary screen starts at (0, 0).
        int w, h;
        PrimaryOrigin(originX, originY, w, h);
    }
    Width = width;
    Height = height;
    // X has no empty windows; the surface still clips to the size asked for.
    XMoveResizeWindow(Connection, XWindow, originX + left, originY + top,
                      static_cast<unsigned>(width > 0 ? width : 1),
                      static_cast<unsigned>(height > 0 ? height : 1));
    Drawing->SetViewSize(width, height);
}

void XSaverWindow::Close() {
    Lifecycle.Close();
}

void XSaverWindow::GiveFocusBack() {
    if (!FocusTaken) return;
    FocusTaken = false;
    ::Window focus = None;
    int revert = 0;
    XGetInputFocus(Connection, &focus, &revert);
    // Someone else moved it meanwhile (a locker, the window manager): theirs stays.
    if (focus != XWindow) return;
    // That window may have gone while the saver ran.
    XErrorsIgnored gone(Connection);
    XSetInputFocus(Connection, PreviousFocus, PreviousRevert, CurrentTime);
    XSync(Connection, False);
}

void XSaverWindow::Unmap() {
    GiveFocusBack();
    if (XWindow != 0) XUnmapWindow(Connection, XWindow);
    for (const ::Window cover : Covers) XUnmapWindow(Connection, cover);
    XFlush(Connection);
}

void XSaverWindow::SetBannerTimer(bool enabled, std::uint32_t intervalMs) {
    BannerTimer.Set(enabled, intervalMs);
}

int XSaverWindow::ShowCursor(bool show) {
    CursorCount += show ? 1 : -1;
    ApplyCursor();
    return CursorCount;
}

void XSaverWindow::ApplyCursor() {
    if (XWindow == 0) return;
    if (CursorCount < 0)
        XDefineCursor(Connection, XWindow, BlankCursor);
    else
        XUndefineCursor(Connection, XWindow);
}
