// DesktopWiring: what a Linux desktop backend's application hands to the saver window and the
// settings dialog, whichever window system draws them.
#pragma once

#include <functional>
#include <memory>
#include <span>

#include "platform/color.h"
#include "platform/messagebox.h"
#include "platform/random.h"
#include "platform/registry.h"
#include "platform/saverservices.h"
#include "platform/posix/signals.h"
#include "platform/timer.h"
#include "saver/saverwindow.h"
#include "settings/overrides.h"

struct DesktopWiring {
    Registry& Reg;
    TimerService& Timer;
    MessageBoxService& Box;
    RandomSource& Random;
    Clock& TimeOfDay;
    const SystemColorSource& Colors;
    ScreenSaverServices& Services;
    TerminationPipe& Signals;
    // Shows the settings dialog; false when it could not be shown.
    std::function<bool()> ShowSettings;
    // Settings for this run only, laid over the stored ones.
    std::span<const SettingOverride> Overrides;
};

// The saver's form on a backend's window (which also places the cursor), with the wiring's
// services and the backend's display modes.
template <typename BackendWindow>
std::unique_ptr<SaverWindow> MakeSaverForm(BackendWindow& window, DisplayModes& modes,
                                           const DesktopWiring& wiring, WindowHandle host) {
    SaverPlatform platform{window,       wiring.Services, wiring.Reg,    modes,
                           wiring.Timer, wiring.Box,      wiring.Random, wiring.TimeOfDay};
    return std::make_unique<SaverWindow>(window, platform, host, wiring.Overrides);
}

// A window that closed without ever drawing: the saver could not run. A termination signal
// during creation is no failure; the program ends by that signal.
inline bool SaverNeverRan(const SaverWindow* form, const DesktopWiring& wiring) {
    return form != nullptr && !form->SceneReady() && wiring.Signals.Received() == 0;
}
