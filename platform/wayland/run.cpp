#include "platform/wayland/run.h"

#include <wayland-client.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/linux/desktoplaunch.h"
#include "platform/wayland/application.h"

int RunWaylandDesktop(const DesktopRun& run) {
    const std::vector<std::string_view> args(run.Line.Positional.begin(),
                                             run.Line.Positional.end());
    const char mode = ModeLetter(args);
    // The dialog and message boxes on the same desktop, through Xwayland only where Qt's
    // Wayland plugin is missing.
    setenv("QT_QPA_PLATFORM", "wayland;xcb", 0);
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr && mode != 'A') {
        std::cerr << "velmora: cannot connect to the Wayland display \""
                  << std::getenv("WAYLAND_DISPLAY")
                  << "\"; the saver and its settings dialog need one (--x11 uses DISPLAY)\n";
        return 1;
    }
    WaylandWindowFinder finder;
    const int exitCode =
        LaunchOnDesktop(run, args, "wayland." + DisplayScope(std::getenv("WAYLAND_DISPLAY")),
                        finder, [display](DesktopWiring wiring) {
                            return std::make_unique<WaylandApplication>(display, std::move(wiring));
                        });
    if (display != nullptr) wl_display_disconnect(display);
    run.Signals.EndByReceivedSignal();
    return exitCode;
}
