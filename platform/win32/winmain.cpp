// velmora.scr's entry point: the Win32 backends wired to the launcher, the saver form and the
// settings dialog.
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/launcher.h"
#include "platform/random.h"
#include "platform/win32/application.h"
#include "platform/win32/clock.h"
#include "platform/win32/cursor.h"
#include "platform/win32/dialog.h"
#include "platform/win32/displaymodes.h"
#include "platform/win32/instance.h"
#include "platform/win32/messagebox.h"
#include "platform/win32/registry.h"
#include "platform/win32/systemcolors.h"
#include "platform/win32/systemsaverhooks.h"
#include "platform/win32/timer.h"
#include "platform/win32/win.h"
#include "saver/savercontroller.h"
#include "settings/errors.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Win32SystemColors colors;
    Win32Cursor cursor;
    Win32SystemSaverHooks saverHooks;
    Win32Registry registry;
    Win32DisplayModes display;
    WinmmTimerService timers;
    Win32MessageBox box;
    LcgRandom random;
    Win32Clock clock;
    Win32InstanceMarker marker;
    Win32WindowFinder finder;

    auto report = [&box](const std::exception& error) { ReportError(box, error); };
    const SaverPlatform controllerPlatform{cursor, saverHooks, registry, display,
                                           timers, box,        random,   clock};
    Win32Application app(
        colors,
        [&controllerPlatform](NativeWindow& window,
                              WindowHandle host) -> std::unique_ptr<WindowEvents> {
            return std::make_unique<SaverController>(window, controllerPlatform, host);
        },
        [&](HWND owner) { RunSettingsDialog(owner, registry, box); }, report);

    char path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string_view executable(path, n < sizeof path ? n : 0);

    // The C runtime has split the command line as the desktop's protocol expects ("/p 1234").
    std::vector<std::string_view> args;
    for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);

    LauncherPlatform launcherPlatform{app, marker, finder, box, saverHooks};
    return RunLauncher(executable, args, launcherPlatform);
}
