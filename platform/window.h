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

// Creation parameters as the form adjusts them before its window exists. Style bits are the
// Windows ones; other backends honour the meaning (top-most, child of Parent, disabled).
struct WindowCreateParams {
    std::uint32_t Style = 0;
    std::uint32_t ExStyle = 0;
    std::uint32_t ClassStyle = 0;
    WindowHandle Parent = 0;
};

inline constexpr std::uint32_t WS_EX_TOPMOST_ = 0x00000008;
inline constexpr std::uint32_t WS_CHILD_ = 0x40000000;
inline constexpr std::uint32_t WS_VISIBLE_ = 0x10000000;
inline constexpr std::uint32_t WS_DISABLED_ = 0x08000000;
inline constexpr std::uint32_t WS_POPUP_ = 0x80000000;
inline constexpr std::uint32_t CS_DBLCLKS_ = 0x0008;
inline constexpr std::uint32_t CS_PARENTDC_ = 0x0080;

// System commands delivered to OnSystemCommand.
inline constexpr std::uint32_t SC_SCREENSAVE_ = 0xF140;
inline constexpr std::uint32_t SC_CLOSE_ = 0xF060;

// What the form calls on its own window. All calls come from the window's thread, except
// Surface()/FlushDrawing(), which the frame and banner-end bracket serialise.
class NativeWindow {
  public:
    virtual ~NativeWindow() = default;
    // Outer rectangle of any desktop window (GetWindowRect); false when it is not a window.
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
    // WM_SYSCOMMAND; true when handled (with `result` set), false to pass it on.
    virtual bool OnSystemCommand(std::uint32_t command, std::intptr_t& result) = 0;
    virtual void OnBannerEnd() = 0;
    // The preview host window has been destroyed, and this window with it.
    virtual void OnHostGone() = 0;
};
