// A stand-in for `velmora /c` in the end-to-end tests: the settings dialog over the user's
// registry file, and nothing else of the launcher.
#include <iostream>

#include "platform/posix/registry.h"
#include "platform/qt/settingsdialog.h"

int main() {
    FileRegistry registry(DefaultRegistryPath(), &std::cerr);
    ShowSettingsDialogModal(registry);
    return 0;
}
