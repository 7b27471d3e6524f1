// XSaverWindow: the saver window on X11 (run mode: frameless, top-most, over the primary monitor,
// the other monitors covered in black; preview: a child of the host window), its cursor and its
// event loop. It grabs nothing and leaves the server's own screen saver alone, so a locker or the
// desktop's blanking takes the screen at its time.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <memory>
#include <vector>

#include "platform/common/windowtimer.h"
#include "platform/cursor.h"
#include "platform/posix/pollclient.h"
#include "platform/window.h"
#include "platform/x11/surface.h"
#include "platform/x11/xerrors.h"
#include "saver/visibilitygate.h"
#include "saver/windowlifecycle.h"

class XSaverWindow final : public NativeWindow, public CursorService, private WindowPrimitives {
  public:
    // `display` is the window thread's connection; the surface opens one of its own. `wakeFd`
    // is read when readable and then closes the window (the signal pipe), -1 for none.
    XSaverWindow(Display* display, const SystemColorSource& colors, int wakeFd);
    ~XSaverWindow() override;
    XSaverWindow(const XSaverWindow&) = delete;
    XSaverWindow& operator=(const XSaverWindow&) = delete;

    // Builds the window for `events` and shows it, as WindowLifecycle orders it. False when the
    // window could not be made.
    bool Create(WindowEvents& events);
    // The message loop: returns when the window has closed.
    void Run();
    bool Closed() const { return Lifecycle.Closed(); }
    // One more thing the loop waits for (the session's bus), served between X events; it must
    // outlive the loop.
    void AddLoopSource(PollClient& source) { ExtraSource = &source; }

    // NativeWindow
    bool GetWindowRect(WindowHandle window, Rect32& rect) override;
    void PrimaryScreenSize(std::int32_t& width, std::int32_t& height) override;
    void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                   std::int32_t height) override;
    void Close() override;
    void HideApplicationWindow() override {}  // X11 has no hidden application window
    void DisableIme() override {}             // no input method is attached to this window
    void SetBannerTimer(bool enabled, std::uint32_t intervalMs) override;
    WindowHandle Handle() override { return XWindow; }
    DrawingSurface& Surface() override { return *Drawing; }
    void FlushDrawing() override { Drawing->Flush(); }
    // Another client's keyboard grab takes the focus from the window, which then hears of it;
    // not under Xwayland, where the compositor's own lock takes the keyboard without a grab.
    bool TellsKeyboardTaken() override { return TopLevel && AcceptsInput && !Managed; }

    // CursorService
    int ShowCursor(bool show) override;

  private:
    // WindowPrimitives
    WindowCreateParams DefaultParams() override;
    bool MakeWindow(const WindowCreateParams& params) override;
    bool TerminationPending() override;
    bool Map() override;
    void TakeInput() override;
    void Unmap() override;

    void Dispatch(XEvent& event);
    // Keys, buttons and motion anywhere on the display, read without a grab.
    void WatchRawInput();
    void DispatchRaw(XEvent& event);
    // Where the pointer is over the window, when it is.
    void PointerOverWindow();
    // The focus back to the window that had it before the saver, when the saver still has it.
    void GiveFocusBack();
    // Tells the form when another client grabs the keyboard from the window, or lets it go.
    void FocusChange(const XFocusChangeEvent& event);
    // Tells the form when nobody can see the window any more, or can again.
    void Sight(HiddenCause cause, bool holds);
    // Asks for the monitors' power when it is time; the milliseconds until the next time.
    int WatchMonitorPower();
    void ApplyCursor();
    void PrimaryOrigin(int& x, int& y, int& width, int& height);
    // Black windows over the monitors the drive is not on.
    void CoverOtherMonitors();
    // Window coordinates within the size the form gave it.
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < Width && y < Height; }

    Display* Connection;
    Display* DrawConnection = nullptr;
    const SystemColorSource& Colors;
    int WakeFd;
    PollClient* ExtraSource = nullptr;
    WindowEvents* Events = nullptr;
    WindowLifecycle Lifecycle{*this};
    ::Window XWindow = 0;
    ::Window Host = 0;
    int Width = 0, Height = 0;
    bool TopLevel = false;
    bool Managed = false;  // a top-level the window manager manages (under Xwayland)
    bool AcceptsInput = false;
    int RawInputOpcode = -1;  // the input extension's, once its raw events are read
    bool FocusTaken = false;
    bool KeyboardGrabbed = false;  // another client's grab has the keyboard
    ::Window PreviousFocus = None;
    int PreviousRevert = RevertToParent;
    int CursorCount = 0;
    Cursor BlankCursor = 0;
    WindowTimer BannerTimer;
    VisibilityGate SightGate;
    std::chrono::steady_clock::time_point NextPowerCheck{};
    std::unique_ptr<XSurface> Drawing;
    std::vector<::Window> Covers;
    // A preview's window on both connections: it goes with its host, whenever that goes.
    std::unique_ptr<XVanishingWindow> WindowWatch, DrawWatch;
    Atom WmDeleteWindow = 0;
};
