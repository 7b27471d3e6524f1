// The platform's message box on Linux: a Qt message box with an OK button.
#pragma once

#include "platform/messagebox.h"

class QtMessageBox : public MessageBoxService {
  public:
    // Creates the Qt application object if the process has none yet; texts are Shift-JIS.
    void Show(std::string_view sjisText, std::string_view sjisCaption, MessageIcon icon) override;
};
