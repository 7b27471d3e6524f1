// XWindowFinder: finds a running instance's top-level window by its title and raises it.
#pragma once

#include <X11/Xlib.h>

#include "platform/instance.h"

class XWindowFinder final : public WindowFinder {
  public:
    // `display` may be null (no display): nothing is ever found.
    explicit XWindowFinder(Display* display) : Connection(display) {}

    WindowHandle FindWindow(std::string_view title) override;
    void SetForegroundWindow(WindowHandle window) override;

  private:
    bool TitleMatches(::Window window, std::string_view title);
    Display* Connection;
};
