#include "platform/linux/backends.h"

#include <array>
#include <string>
#include <vector>

#include "launcher/launcher.h"
#include "platform/wayland/run.h"
#include "platform/x11/run.h"

namespace {

// The hack options, XScreenSaver's window in the environment and a preview all name an X
// window, which only X11 can draw into: a Wayland client reaches no other program's window.
bool NamesXWindow(const CommandLine& line, const DesktopSession& session) {
    if (line.Target != SaverTarget::Classic || !session.XScreenSaverWindow.empty()) return true;
    const std::vector<std::string_view> args(line.Positional.begin(), line.Positional.end());
    return ModeLetter(args) == 'P';
}

bool WaylandCanRun(const CommandLine& line, const DesktopSession& session) {
    return !session.WaylandDisplay.empty() && !line.ForceX11 && !NamesXWindow(line, session);
}

bool X11CanRun(const CommandLine&, const DesktopSession&) {
    return true;
}

constexpr std::array kBackends = {
    DesktopBackend{"wayland", &WaylandCanRun, &RunWaylandDesktop},
    DesktopBackend{"x11", &X11CanRun, &RunX11Desktop},
};

}  // namespace

std::span<const DesktopBackend> DesktopBackends() {
    return kBackends;
}

const DesktopBackend& PickDesktopBackend(std::span<const DesktopBackend> backends,
                                         const CommandLine& line, const DesktopSession& session) {
    for (const DesktopBackend& backend : backends)
        if (backend.CanRun(line, session)) return backend;
    return backends.back();
}
