// PageMessageBox: the standard error report shown by the page, its texts turned into Unicode.
#pragma once

#include "platform/messagebox.h"

class PageMessageBox final : public MessageBoxService {
  public:
    void Show(std::string_view sjisText, std::string_view sjisCaption, MessageIcon icon) override;
};
