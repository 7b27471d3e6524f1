// DesktopRun and LaunchOnDesktop: what the Linux entry hands the window system it picked, and the
// launcher run that every window system shares once it has opened its display.
#pragma once

#include <unistd.h>

#include <iostream>
#include <span>
#include <string>
#include <string_view>

#include "launcher/commandline.h"
#include "launcher/launcher.h"
#include "platform/common/systemcolors.h"
#include "platform/common/threadtimer.h"
#include "platform/linux/desktopwiring.h"
#include "platform/posix/clock.h"
#include "platform/posix/instance.h"
#include "platform/posix/registry.h"
#include "platform/posix/signals.h"
#include "platform/posix/systemsaverhooks.h"
#include "platform/qt/loader.h"

struct DesktopRun {
    const char* Argv0;  // null when the program was started without one
    const CommandLine& Line;
    TerminationPipe& Signals;
};

inline std::string ExecutablePath(const char* argv0) {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0) return std::string(buffer, static_cast<std::size_t>(n));
    return argv0 != nullptr ? argv0 : "velmora";
}

// The services every mode shares, and the launcher run over the application that
// `makeApplication` builds from them.
template <typename MakeApplication>
int LaunchOnDesktop(const DesktopRun& run, std::span<const std::string_view> args,
                    const std::string& markerScope, WindowFinder& finder,
                    MakeApplication makeApplication) {
    FileRegistry registry(DefaultRegistryPath(), &std::cerr);
    ThreadTimerService timer;
    if (!timer.Failure().empty()) {
        std::cerr << "velmora: " << timer.Failure() << "\n";
        return 1;
    }
    SystemClock clock;
    LcgRandom random;
    DefaultSystemColors colors;
    PosixSystemSaverHooks saverHooks;
    LazyQt box(run.Signals);
    FileLockInstanceMarker marker({}, markerScope);
    auto app = makeApplication(DesktopWiring{
        registry, timer, box, random, clock, colors, saverHooks, run.Signals,
        [&box, &registry] { return box.ShowSettingsDialog(registry); }, run.Line.Overrides});
    LauncherPlatform platform{*app, marker, finder, box, saverHooks};
    int exitCode = RunLauncher(ExecutablePath(run.Argv0), args, platform);
    if (exitCode == 0 && app->Failed()) exitCode = 1;
    return exitCode;
}
