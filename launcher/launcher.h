// The program's entry: one instance per executable name, the mode from the command line, and the
// dispatch to the saver window, the settings dialog or the password change.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/application.h"
#include "platform/instance.h"
#include "platform/messagebox.h"
#include "platform/systemsaverhooks.h"

struct LauncherPlatform {
    Application& App;
    InstanceMarker& Marker;
    WindowFinder& Finder;
    MessageBoxService& Box;
    SystemSaverHooks& SaverHooks;
};

// The file-name part of a path: everything after the last "/" or "\".
std::string_view ExecutableFileName(std::string_view path);

// What a launch runs, as the command line's mode letter says.
enum class LaunchMode : std::uint8_t {
    Settings,        // C, or no argument: the settings dialog
    ChangePassword,  // A: the platform's dialog for the screen-saver password
    Preview,         // P: the saver inside the host window
    Run,             // any other letter: the saver full screen
};

// Settings without an argument, else by the second character of the first argument, without
// regard to case; a one-character argument runs the saver.
LaunchMode LaunchModeOf(std::span<const std::string_view> args);

// The second argument read as an integer (decimal or "$" hex); 0 when missing or invalid.
WindowHandle HostWindowArgument(std::span<const std::string_view> args);

// The launcher's whole run; returns the process's exit code: 1 when the marker could not be
// registered (nothing ran), else 0. `args` excludes the program name.
int RunLauncher(std::string_view executablePath, std::span<const std::string_view> args,
                LauncherPlatform& platform);
