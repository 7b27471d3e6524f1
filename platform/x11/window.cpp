#include "platform/x11/window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/scrnsaver.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

#include "platform/x11/monitors.h"

namespace {

constexpr const char* kTitle = "Velmora";
constexpr long kInputMask = KeyPressMask | ButtonPressMask | PointerMotionMask | EnterWindowMask;

}  // namespace

XSaverWindow::XSaverWindow(Display* display, const SystemColorSource& colors, int wakeFd)
    : display_(display), colors_(colors), wakeFd_(wakeFd) {
    InstallXErrorHandler();
}

XSaverWindow::~XSaverWindow() {
    if (serverSaverSuspended_) XScreenSaverSuspend(display_, False);
    XUngrabPointer(display_, CurrentTime);
    XUngrabKeyboard(display_, CurrentTime);
    surface_.reset();
    // Closing waits for the drawing connection's last errors, which its watch still expects.
    if (drawDisplay_ != nullptr && drawDisplay_ != display_) XCloseDisplay(drawDisplay_);
    drawWatch_.reset();
    if (window_ != 0) XDestroyWindow(display_, window_);
    for (const ::Window cover : covers_) XDestroyWindow(display_, cover);
    if (blankCursor_ != 0) XFreeCursor(display_, blankCursor_);
    XSync(display_, False);
    windowWatch_.reset();
}

bool XSaverWindow::Create(WindowEvents& form) {
    form_ = &form;
    // The framework's own parameters for a borderless form, then the form's changes.
    WindowCreateParams params;
    params.DoubleClicks = true;
    form.OnCreateParams(params);

    const ::Window root = DefaultRootWindow(display_);
    host_ = params.Child ? static_cast<::Window>(params.Parent) : 0;
    topLevel_ = host_ == 0;
    acceptsInput_ = !params.Disabled;
    // The host belongs to another client: it may be gone already, or go while the child is made.
    std::optional<XErrorsIgnored> hostRequests;
    if (host_ != 0) hostRequests.emplace(display_);
    XWindowAttributes hostAttributes;
    // A host that is not a window gets no child; the form finds that out and closes.
    const bool hostValid =
        host_ != 0 && XGetWindowAttributes(display_, host_, &hostAttributes) != 0;

    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display_, DefaultScreen(display_));
    // Top-most: no window manager places or decorates it. The same for a preview into the root
    // window itself (XScreenSaver's -root without a window of its own).
    attributes.override_redirect =
        (topLevel_ && params.TopMost) || (hostValid && host_ == root);
    attributes.event_mask = StructureNotifyMask | (acceptsInput_ ? kInputMask : 0);
    window_ = XCreateWindow(display_, hostValid ? host_ : root, 0, 0, 1, 1, 0, CopyFromParent,
                            InputOutput, CopyFromParent,
                            CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
    if (window_ == 0) return false;
    if (host_ != 0) windowWatch_ = std::make_unique<XVanishingWindow>(display_, window_);
    if (hostValid) XSelectInput(display_, host_, StructureNotifyMask);

    XStoreName(display_, window_, kTitle);
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False), utf8, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(kTitle),
                    static_cast<int>(std::strlen(kTitle)));
    XClassHint classHint{const_cast<char*>("velmora"), const_cast<char*>(kTitle)};
    XSetClassHint(display_, window_, &classHint);
    wmDeleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &wmDeleteWindow_, 1);

    Pixmap empty = XCreatePixmap(display_, window_, 1, 1, 1);
    XColor black{};
    blankCursor_ = XCreatePixmapCursor(display_, empty, empty, &black, &black, 0, 0);
    XFreePixmap(display_, empty);

    // The surface draws over a connection of its own, from the timer thread; the window must
    // exist on the server before that connection uses it.
    XSync(display_, False);
    hostRequests.reset();
    drawDisplay_ = XOpenDisplay(DisplayString(display_));
    if (drawDisplay_ == nullptr) drawDisplay_ = display_;
    if (host_ != 0) drawWatch_ = std::make_unique<XVanishingWindow>(drawDisplay_, window_);
    surface_ = std::make_unique<XSurface>(drawDisplay_, window_, colors_);
    // A blank screen that says nothing is worse than no saver.
    if (!surface_->Unsupported().empty()) {
        std::fprintf(stderr, "velmora: cannot show the scene's colours: %s\n",
                     surface_->Unsupported().c_str());
        return false;
    }
    if (drawWatch_) drawWatch_->WatchPicture(surface_->RenderPicture());

    form.OnCreate();
    if (closed_) return true;
    // A termination signal while the settings were read: end before the window shows or the
    // display is switched.
    if (wakeFd_ >= 0) {
        pollfd pending{wakeFd_, POLLIN, 0};
        if (poll(&pending, 1, 0) > 0) {
            Close();
            if (closed_) return true;
        }
    }

    // The other monitors first, so that the saver's own window ends up on top of them.
    if (topLevel_) CoverOtherMonitors();
    XMapRaised(display_, window_);
    XSync(display_, False);
    form.OnShow();
    if (closed_) return true;

    // The window refuses the X server's own screen saver for as long as it exists. A preview's
    // host (a screen-saver daemon such as XScreenSaver) owns the server's saver and power
    // saving, so only a top-level saver asks.
    std::intptr_t refused = 0;
    int eventBase = 0, errorBase = 0;
    if (topLevel_ && form.OnSystemCommand(SystemCommand::ScreenSave, refused) && refused == 1 &&
        XScreenSaverQueryExtension(display_, &eventBase, &errorBase)) {
        XScreenSaverSuspend(display_, True);
        serverSaverSuspended_ = true;
    }
    if (topLevel_ && acceptsInput_) {
        GrabInput();
        // A window that appears under the pointer learns where the pointer is, as if it had
        // moved there: that is the first position the form records.
        ::Window rootReturn, childReturn;
        int rootX, rootY, x, y;
        unsigned int buttons;
        if (XQueryPointer(display_, window_, &rootReturn, &childReturn, &rootX, &rootY, &x, &y,
                          &buttons) &&
            Inside(x, y))
            form.OnMouseMove(x, y);
    }
    XFlush(display_);
    return true;
}

void XSaverWindow::GrabInput() {
    // Another client may hold a grab for a moment (a menu closing); try a few times.
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int keyboard =
            XGrabKeyboard(display_, window_, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        const int pointer =
            XGrabPointer(display_, window_, False, ButtonPressMask | PointerMotionMask,
                         GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
        if (keyboard == GrabSuccess && pointer == GrabSuccess) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void XSaverWindow::Run() {
    while (!closed_) {
        while (!closed_ && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            Dispatch(event);
        }
        if (closed_) break;
        if (bannerTimer_.Fire()) {
            form_->OnBannerEnd();
            XFlush(display_);
            continue;
        }
        const int timeout = bannerTimer_.TimeoutMs();
        pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (poll(fds, wakeFd_ >= 0 ? 2 : 1, timeout) > 0 && wakeFd_ >= 0 &&
            (fds[1].revents & POLLIN) != 0) {
            char drained[64];
            [[maybe_unused]] auto n = read(wakeFd_, drained, sizeof drained);
            // A termination signal: the ordinary close, so the display and cursor come back.
            Close();
        }
    }
}

void XSaverWindow::Dispatch(XEvent& event) {
    switch (event.type) {
        case KeyPress:
            if (acceptsInput_) form_->OnKeyDown();
            break;
        case ButtonPress:
            // Buttons 4 to 7 are the wheel's steps, which scroll rather than press.
            if (acceptsInput_ && (event.xbutton.button < 4 || event.xbutton.button > 7))
                form_->OnMouseDown();
            break;
        case MotionNotify:
            // The grab reports motion anywhere on the screen; only motion over the window moves
            // the mouse over it.
            if (acceptsInput_ && Inside(event.xmotion.x, event.xmotion.y))
                form_->OnMouseMove(event.xmotion.x, event.xmotion.y);
            break;
        case EnterNotify:
            // Also sent when the grab starts, with the pointer wherever it is.
            if (acceptsInput_ && event.xcrossing.window == window_ &&
                Inside(event.xcrossing.x, event.xcrossing.y))
                form_->OnMouseMove(event.xcrossing.x, event.xcrossing.y);
            break;
        case DestroyNotify:
            if (host_ != 0 &&
                (event.xdestroywindow.window == host_ || event.xdestroywindow.window == window_))
                form_->OnHostGone();
            break;
        case ClientMessage:
            if (static_cast<Atom>(event.xclient.data.l[0]) == wmDeleteWindow_) Close();
            break;
        default:
            break;
    }
    XFlush(display_);
}

bool XSaverWindow::GetWindowRect(WindowHandle window, Rect32& rect) {
    // Any window of the desktop, most likely another client's, which may be gone.
    XErrorsIgnored quiet(display_);
    XWindowAttributes a;
    if (window == 0 || XGetWindowAttributes(display_, static_cast<::Window>(window), &a) == 0)
        return false;
    int x = 0, y = 0;
    ::Window child;
    XTranslateCoordinates(display_, static_cast<::Window>(window), DefaultRootWindow(display_), 0,
                          0, &x, &y, &child);
    // The outer rectangle, border included.
    rect.Left = x - a.border_width;
    rect.Top = y - a.border_width;
    rect.Right = rect.Left + a.width + 2 * a.border_width;
    rect.Bottom = rect.Top + a.height + 2 * a.border_width;
    return true;
}

void XSaverWindow::PrimaryOrigin(int& x, int& y, int& width, int& height) {
    const Rect32 drive = PlaceSaver(display_, QueryMonitors(display_)).Drive;
    x = drive.Left;
    y = drive.Top;
    width = drive.Right - drive.Left;
    height = drive.Bottom - drive.Top;
}

void XSaverWindow::CoverOtherMonitors() {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display_, DefaultScreen(display_));
    attributes.override_redirect = True;
    attributes.cursor = blankCursor_;
    for (const Rect32& r : PlaceSaver(display_, QueryMonitors(display_)).Covers) {
        const ::Window cover =
            XCreateWindow(display_, DefaultRootWindow(display_), r.Left, r.Top,
                          static_cast<unsigned>(r.Right - r.Left),
                          static_cast<unsigned>(r.Bottom - r.Top), 0, CopyFromParent, InputOutput,
                          CopyFromParent, CWBackPixel | CWOverrideRedirect | CWCursor, &attributes);
        XStoreName(display_, cover, "Velmora");
        XMapRaised(display_, cover);
        covers_.push_back(cover);
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
    if (topLevel_) {
        // Run-mode coordinates count from the primary screen's corner, as on Windows, where the
        // primary screen starts at (0, 0).
        int w, h;
        PrimaryOrigin(originX, originY, w, h);
    }
    width_ = width;
    height_ = height;
    // X has no empty windows; the surface still clips to the size asked for.
    XMoveResizeWindow(display_, window_, originX + left, originY + top,
                      static_cast<unsigned>(width > 0 ? width : 1),
                      static_cast<unsigned>(height > 0 ? height : 1));
    surface_->SetViewSize(width, height);
}

void XSaverWindow::Close() {
    if (closing_ || closed_) return;
    closing_ = true;
    bool canClose = true;
    form_->OnCloseQuery(canClose);
    closing_ = false;
    if (!canClose) return;
    form_->OnClose();
    closed_ = true;
    if (window_ != 0) XUnmapWindow(display_, window_);
    for (const ::Window cover : covers_) XUnmapWindow(display_, cover);
    XFlush(display_);
}

void XSaverWindow::SetBannerTimer(bool enabled, std::uint32_t intervalMs) {
    bannerTimer_.Set(enabled, intervalMs);
}

int XSaverWindow::ShowCursor(bool show) {
    cursorCount_ += show ? 1 : -1;
    ApplyCursor();
    return cursorCount_;
}

void XSaverWindow::ApplyCursor() {
    if (window_ == 0) return;
    if (cursorCount_ < 0)
        XDefineCursor(display_, window_, blankCursor_);
    else
        XUndefineCursor(display_, window_);
}
