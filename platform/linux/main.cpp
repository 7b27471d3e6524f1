// The Linux entry point: answers usage and version, then picks the window system from the table
// of backends (Wayland when the session has one, unless told --x11 or given an X window to draw
// into) and hands it the run.
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "launcher/commandline.h"
#include "platform/linux/backends.h"
#include "platform/linux/desktoplaunch.h"
#include "platform/posix/signals.h"
#include "platform/posix/versionnotice.h"
#include "platform/x11/displayguard.h"

namespace {

std::string_view Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

int main(int argc, char** argv) {
    // Started as the display guard of a saver that switched the display.
    if (const char* guard = std::getenv(kDisplayGuardVariable)) return RunDisplayGuard(guard);
    // Terminal text in the user's encoding; numbers keep the C locale's form.
    std::setlocale(LC_CTYPE, "");

    // Usage and version are answered before anything opens a display, so they work anywhere.
    const std::vector<std::string_view> given(argv + std::min(argc, 1), argv + argc);
    const DesktopSession session{Environment("WAYLAND_DISPLAY"),
                                 Environment("XSCREENSAVER_WINDOW")};
    const CommandLine line = ParseCommandLine(given, session.XScreenSaverWindow);
    switch (line.What) {
        case CommandLine::Action::Help:
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        case CommandLine::Action::Version:
            std::fputs(VersionNotice("velmora").c_str(), stdout);
            return 0;
        case CommandLine::Action::Error:
            std::fprintf(stderr, "velmora: %s\n\n%s", line.Problem.c_str(), UsageText().c_str());
            return 2;
        case CommandLine::Action::Launch:
            break;
    }

    // From the start, in every mode: a termination signal ends the program the ordinary way
    // (box or dialog closed, display mode restored) and then by that signal.
    TerminationPipe signals;
    signals.Install();
    const DesktopBackend& backend = PickDesktopBackend(DesktopBackends(), line, session);
    return backend.Run(DesktopRun{argc > 0 ? argv[0] : nullptr, line, signals});
}
