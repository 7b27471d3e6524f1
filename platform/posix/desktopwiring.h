// DesktopWiring: what a Linux desktop backend's application hands to the saver window and the
// settings dialog, whichever window system draws them.
#pragma once

#include <functional>
#include <span>

#include "platform/color.h"
#include "platform/messagebox.h"
#include "platform/random.h"
#include "platform/registry.h"
#include "platform/saverservices.h"
#include "platform/timer.h"
#include "settings/overrides.h"

class TerminationPipe;

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
