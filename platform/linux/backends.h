// The window systems the Linux saver can draw through, as a table walked in order: the first
// whose predicate holds for this session and command line runs the program.
#pragma once

#include <span>
#include <string_view>

#include "launcher/commandline.h"

struct DesktopRun;

// What the entry reads from the environment before it picks (empty: unset).
struct DesktopSession {
    std::string_view WaylandDisplay;      // WAYLAND_DISPLAY
    std::string_view XScreenSaverWindow;  // XSCREENSAVER_WINDOW
};

struct DesktopBackend {
    std::string_view Name;
    bool (*CanRun)(const CommandLine& line, const DesktopSession& session);
    int (*Run)(const DesktopRun& run);
};

// Wayland where the session has it, X11 otherwise; the last row always can run (it reports a
// missing display itself).
std::span<const DesktopBackend> DesktopBackends();

// The first row of `backends` that can run; the last when none says so.
const DesktopBackend& PickDesktopBackend(std::span<const DesktopBackend> backends,
                                         const CommandLine& line, const DesktopSession& session);
