// XSaverWindow: the saver window on X11 (run mode: frameless, top-most, over the primary monitor,
// the other monitors covered in black; preview: a child of the host window), its cursor and its
// event loop.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <memory>
#include <vector>

#include "platform/common/windowtimer.h"
#include "platform/cursor.h"
#include "platform/window.h"
#include "platform/x11/surface.h"
#include "platform/x11/xerrors.h"

class XSaverWindow final : public NativeWindow, public CursorService {
  public:
    // `display` is the window thread's connection; the surface opens one of its own. `wakeFd`
    // is read when readable and then closes the window (the signal pipe), -1 for none.
    XSaverWindow(Display* display, const SystemColorSource& colors, int wakeFd);
    ~XSaverWindow() override;
    XSaverWindow(const XSaverWindow&) = delete;
    XSaverWindow& operator=(const XSaverWindow&) = delete;

    // Builds the window for `form`: its parameters, OnCreate, then (unless it closed at once)
    // mapping and OnShow. False when the window could not be made.
    bool Create(WindowEvents& form);
    // The message loop: returns when the window has closed.
    void Run();
    bool Closed() const { return closed_; }

    // NativeWindow
    bool GetWindowRect(WindowHandle window, Rect32& rect) override;
    void PrimaryScreenSize(std::int32_t& width, std::int32_t& height) override;
    void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                   std::int32_t height) override;
    void Close() override;
    void HideApplicationWindow() override {}  // X11 has no hidden application window
    void DisableIme() override {}             // no input method is attached to this window
    void SetBannerTimer(bool enabled, std::uint32_t intervalMs) override;
    WindowHandle Handle() override { return window_; }
    DrawingSurface& Surface() override { return *surface_; }
    void FlushDrawing() override { surface_->Flush(); }

    // CursorService
    int ShowCursor(bool show) override;

  private:
    void Dispatch(XEvent& event);
    void GrabInput();
    void ApplyCursor();
    void PrimaryOrigin(int& x, int& y, int& width, int& height);
    // Black windows over the monitors the drive is not on.
    void CoverOtherMonitors();
    // Window coordinates within the size the form gave it.
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    Display* display_;
    Display* drawDisplay_ = nullptr;
    const SystemColorSource& colors_;
    int wakeFd_;
    WindowEvents* form_ = nullptr;
    ::Window window_ = 0;
    ::Window host_ = 0;
    int width_ = 0, height_ = 0;
    bool topLevel_ = false;
    bool acceptsInput_ = false;
    bool closing_ = false;
    bool closed_ = false;
    bool serverSaverSuspended_ = false;
    int cursorCount_ = 0;
    Cursor blankCursor_ = 0;
    WindowTimer bannerTimer_;
    std::unique_ptr<XSurface> surface_;
    std::vector<::Window> covers_;
    // A preview's window on both connections: it goes with its host, whenever that goes.
    std::unique_ptr<XVanishingWindow> windowWatch_, drawWatch_;
    Atom wmDeleteWindow_ = 0;
};
