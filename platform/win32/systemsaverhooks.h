// Win32SystemSaverHooks: the platform family (GetVersionExA), the screen-saver-running flag,
// and the password services loaded at run time (PASSWORD.CPL, MPR.DLL).
#pragma once

#include "platform/systemsaverhooks.h"

class Win32SystemSaverHooks final : public SystemSaverHooks {
  public:
    bool GetPlatformFamily(PlatformFamily& family) override;
    void SetScreenSaverRunning(bool running) override;
    std::string SystemDirectory() override;
    PasswordCheck VerifyScreenSavePwd(std::string_view path, WindowHandle window) override;
    void ChangePassword(WindowHandle parent) override;
};
