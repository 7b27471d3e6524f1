// The settings dialog on Win32: native controls built from the dialog's form description.
#pragma once

class Registry;
class MessageBoxService;
struct HWND__;

// Creates the settings dialog with no owner form (its window is owned by the foreground window,
// as the dialog's window parameters ask), runs it modally and destroys it.
void RunSettingsDialog(HWND__* applicationWindow, Registry& registry, MessageBoxService& box);
