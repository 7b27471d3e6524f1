// Win32MessageBox: the standard error report's box (MessageBoxW with the Shift-JIS texts
// converted, so that they read right on any system code page).
#pragma once

#include "platform/messagebox.h"

struct HWND__;

class Win32MessageBox final : public MessageBoxService {
  public:
    explicit Win32MessageBox(HWND__* owner = nullptr) : Owner(owner) {}
    void SetOwner(HWND__* owner) { Owner = owner; }
    void Show(std::string_view sjisText, std::string_view sjisCaption, MessageIcon icon) override;

  private:
    HWND__* Owner;
};
