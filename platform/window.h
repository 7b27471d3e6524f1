// The saver window as the form sees it: the operations it calls on its window, and the events the
// window delivers to the form.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/monitors.h"
#include "platform/surface.h"

// A window of the desktop: an HWND on Windows, an X window id on X11. 0 = none.
using WindowHandle = std::uintptr_t;

// How the window is to be made. The framework fills in its own choice for a borderless form (a
// top-level window owned by the application window, with double clicks); the form adjusts it
// before the window exists, and each backend turns the meaning into its own window attributes.
struct WindowCreateParams {
    // A child's parent, or the owner of a top-level window; 0 = none.
    WindowHandle Parent = 0;
    bool Child = false;          // placed inside Parent's client area, and goes with it
    bool TopMost = false;        // a top-level window above all others
    bool Visible = false;        // shown as soon as it exists
    bool Disabled = false;       // takes no keyboard or mouse input
    bool DrawsOnParent = false;  // draws through its parent's drawing context
    bool DoubleClicks = false;   // a second click in quick succession comes as a double click
};

// System commands the form may answer; every other one goes on to the framework's own handling.
enum class SystemCommand : std::uint8_t {
    ScreenSave,  // the platform is about to start a screen saver
    Other,
};

// What the form calls on its own window. All calls come from the window's thread, except
// Surface()/FlushDrawing(), which the frame and banner-end bracket serialise.
class NativeWindow {
  public:
    virtual ~NativeWindow() = default;
    // Outer rectangle of any desktop window, border included; false when it is not a window.
    virtual bool GetWindowRect(WindowHandle window, Rect32& rect) = 0;
    // The primary screen's size in pixels.
    virtual void PrimaryScreenSize(std::int32_t& width, std::int32_t& height) = 0;
    // Places the form: left and top relative to the primary screen, or to the parent's client
    // area for a child window.
    virtual void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                           std::int32_t height) = 0;
    // The framework's close request: the form's close query, then on consent its close and the
    // end of the message loop.
    virtual void Close() = 0;
    // The framework's hidden application window.
    virtual void HideApplicationWindow() = 0;
    // Turns the input method editor off for this window.
    virtual void DisableIme() = 0;
    // The banner timer: enabled with `intervalMs`, or disabled for good.
    virtual void SetBannerTimer(bool enabled, std::uint32_t intervalMs) = 0;
    virtual WindowHandle Handle() = 0;
    virtual DrawingSurface& Surface() = 0;
    // Sends what the surface has gathered since the last flush to the screen.
    virtual void FlushDrawing() = 0;
    // The desktop's monitors; empty where the backend does not tell them apart, and the primary
    // screen is then taken as the only one.
    virtual std::vector<Monitor> Monitors() { return {}; }
    // Black windows over these desktop areas, in place of any earlier ones, for as long as this
    // window lives; input on them reaches the form as input on this window.
    virtual void CoverAreas(std::span<const Rect32> areas) { (void)areas; }
    // Whether OnKeyboardTaken tells when another program takes the keyboard for itself.
    virtual bool TellsKeyboardTaken() { return false; }
    // Frames run from now on (true), or no more (false, once the last has finished): a window
    // whose frames can read its events for it need not wake for them meanwhile.
    virtual void FramesRunning(bool running) { (void)running; }
};

// The form's handlers, in the order a window delivers them: OnCreateParams before the window
// exists, OnCreate, OnShow, then input, timer and close events on the window's thread.
class WindowEvents {
  public:
    virtual ~WindowEvents() = default;
    virtual void OnCreateParams(WindowCreateParams& params) = 0;
    virtual void OnCreate() = 0;
    virtual void OnShow() = 0;
    virtual void OnKeyDown() = 0;
    virtual void OnMouseDown() = 0;
    virtual void OnMouseMove(std::int32_t x, std::int32_t y) = 0;
    virtual void OnCloseQuery(bool& canClose) = 0;
    virtual void OnClose() = 0;
    // A system command; true when handled (with `result` set), false to pass it on.
    virtual bool OnSystemCommand(SystemCommand command, std::intptr_t& result) = 0;
    virtual void OnBannerEnd() = 0;
    // The preview host window has been destroyed, and this window with it.
    virtual void OnHostGone() = 0;
    // The preview host window now has this outer size (a locker or screen-saver daemon resizes
    // the window it lent, or the screen behind the root window changed). Also sent for a move
    // that kept the size. Only from backends that can tell.
    virtual void OnHostResized(std::int32_t width, std::int32_t height) {
        (void)width;
        (void)height;
    }
    // Nobody can see the window any more (false: covered, off the screen, the monitors off), or
    // can again (true). Only from backends that can tell.
    virtual void OnVisibilityChanged(bool visible) { (void)visible; }
    // The window, or one of its covers, has been given the activation: typed keys reach it.
    // Only from backends that can tell.
    virtual void OnActivated() {}
    // The activation has gone to a window of another program; windows of the saver's own (its
    // covers, its message boxes) taking it do not count. Only from backends that can tell.
    virtual void OnActivationLost() {}
    // The desktop has made another monitor its primary while the saver runs: Monitors() and
    // PrimaryScreenSize() tell the new one. Only from backends that can tell.
    virtual void OnPrimaryMonitorChanged() {}
    // Another program has taken the keyboard for itself (a locker's grab): typed keys reach it
    // whichever window has the focus; false once it has given it back. Only from backends that
    // can tell (TellsKeyboardTaken).
    virtual void OnKeyboardTaken(bool taken) { (void)taken; }
};
