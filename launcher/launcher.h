// The program's entry: one instance per executable name, the mode from the command line, and the
// dispatch to the saver window, the settings dialog or the password change.
#pragma once

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

// 'C' without an argument, else the second character of the first argument with a-z upper-cased
// ('\0' for a one-character argument).
char ModeLetter(std::span<const std::string_view> args);

// The second argument read as an integer (decimal or "$" hex); 0 when missing or invalid.
WindowHandle HostWindowArgument(std::span<const std::string_view> args);

// The launcher's whole run; returns the process's exit code: 1 when the marker could not be
// registered (nothing ran), else 0. `args` excludes the program name.
int RunLauncher(std::string_view executablePath, std::span<const std::string_view> args,
                LauncherPlatform& platform);
