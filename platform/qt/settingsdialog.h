// The Linux settings dialog, built with Qt Widgets from the dialog's form description.
#pragma once

class Registry;

// Shows the settings dialog modally over `registry` (creating the Qt application object when
// there is none yet) and returns when it has been closed and destroyed.
void ShowSettingsDialogModal(Registry& registry);
