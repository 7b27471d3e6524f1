// WaylandApplication: the application framework of the Linux saver on a Wayland desktop: the
// saver window (Wayland), the settings dialog (Qt) and the core wired together.
#pragma once

#include <memory>

#include "platform/instance.h"
#include "platform/linux/desktopapplication.h"

struct wl_display;
class MutterPrimaryWatch;
class SessionBus;
class WaylandConnection;
class WaylandDisplayModes;
class WaylandSaverWindow;

class WaylandApplication final
    : public DesktopApplication<WaylandSaverWindow, WaylandDisplayModes> {
  public:
    // `display` is an open connection, the caller's.
    WaylandApplication(wl_display* display, DesktopWiring wiring);
    ~WaylandApplication() override;

    // Other clients' windows cannot be shown or hidden by a Wayland client.
    void ShowWindow(WindowHandle window, WindowVisibility visibility) override;
    void CreateSaverWindow(WindowHandle host) override;

  private:
    wl_display* WlDisplay;
    // The session bus, where GNOME names its primary monitor; both outlive the window.
    std::unique_ptr<SessionBus> DesktopBus;
    std::unique_ptr<MutterPrimaryWatch> PrimaryWatch;
    std::unique_ptr<WaylandConnection> Connection;  // outlives the saver's window on it
};

// A second launch cannot raise another client's window on Wayland: it finds none and just ends.
class WaylandWindowFinder final : public WindowFinder {
  public:
    WindowHandle FindWindow(std::string_view title) override {
        (void)title;
        return 0;
    }
    void SetForegroundWindow(WindowHandle window) override { (void)window; }
};
