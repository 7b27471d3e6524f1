// The Qt half of the Linux saver, loaded only when a dialog or message box is needed: the saver
// itself then maps no Qt at all (a Qt process costs about 9 MB of resident memory).
#include "platform/qt/loader.h"

#include "platform/qt/application.h"
#include "platform/qt/messagebox.h"
#include "platform/qt/settingsdialog.h"

extern "C" __attribute__((visibility("default"))) void VelmoraQtSettingsDialog(Registry* registry,
                                                                               int terminationFd) {
    EnsureQtApplication();
    CloseAllOnReadable(terminationFd);
    ShowSettingsDialogModal(*registry);
}

extern "C" __attribute__((visibility("default"))) void VelmoraQtMessageBox(
    const char* text, std::size_t textSize, const char* caption, std::size_t captionSize, int icon,
    int terminationFd) {
    EnsureQtApplication();
    CloseAllOnReadable(terminationFd);
    QtMessageBox box;
    box.Show(std::string_view(text, textSize), std::string_view(caption, captionSize),
             static_cast<MessageIcon>(icon));
}
