// X11Application: the application framework of the Linux saver, which wires the saver window
// (X11), the settings dialog (Qt) and the core together.
#pragma once

#include <functional>
#include <memory>

#include "platform/application.h"
#include "platform/color.h"
#include "platform/linux/desktopwiring.h"
#include "platform/linux/saverparts.h"
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

using X11Wiring = DesktopWiring;

class X11Application final : public Application {
  public:
    // `display` may be null when there is no X display: the saver window then cannot be made.
    X11Application(_XDisplay* display, X11Wiring wiring);
    ~X11Application() override;

    void Initialize(std::string_view title) override;
    void HideApplicationWindow() override {}  // X11 has no hidden application window
    void ShowWindow(WindowHandle window, WindowVisibility visibility) override;
    void ShowSettingsDialog() override;
    void CreateSaverWindow(WindowHandle host) override;
    void Run() override;
    void Terminate() override { Terminated = true; }

    // The run failed: no display, no saver window, the window closed before its scene was
    // made (settings that could not be read, a preview host that is no window), or no dialog.
    bool Failed() const { return HasFailed; }

  private:
    _XDisplay* Connection;
    X11Wiring Wiring;
    SaverParts<XSaverWindow, XRandRDisplayModes> Saver;
    bool Terminated = false;
    bool HasFailed = false;
};
