// X11Application: the application framework of the Linux saver, which wires the saver window
// (X11), the settings dialog (Qt) and the core together.
#pragma once

#include <functional>
#include <memory>

#include "platform/color.h"
#include "platform/linux/desktopapplication.h"
#include "platform/messagebox.h"
#include "platform/random.h"
#include "platform/registry.h"
#include "platform/systemsaverhooks.h"
#include "platform/timer.h"
#include "settings/overrides.h"

// Xlib stays out of this header: its macros (None, Below) clash with the core's names.
struct _XDisplay;
class XSaverWindow;
class XRandRDisplayModes;

class X11Application final : public DesktopApplication<XSaverWindow, XRandRDisplayModes> {
  public:
    // `display` may be null when there is no X display: the saver window then cannot be made.
    X11Application(_XDisplay* display, DesktopWiring wiring);
    ~X11Application() override;

    void ShowWindow(WindowHandle window, WindowVisibility visibility) override;
    void CreateSaverWindow(WindowHandle host) override;

  private:
    _XDisplay* Connection;
};
