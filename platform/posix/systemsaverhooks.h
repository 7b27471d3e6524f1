// PosixSystemSaverHooks: the screen-saver hooks of a Linux desktop, which has no screen-saver
// password of the saver's own: locking is the desktop's business.
#pragma once

#include "platform/systemsaverhooks.h"

class PosixSystemSaverHooks final : public SystemSaverHooks {
  public:
    // Not of the 9x family: the close needs no password and there is no running flag to set.
    bool GetPlatformFamily(PlatformFamily& family) override {
        family = PlatformFamily::NT;
        return true;
    }
    void SetScreenSaverRunning(bool) override {}
    std::string SystemDirectory() override { return {}; }
    PasswordCheck VerifyScreenSavePwd(std::string_view, WindowHandle) override {
        return PasswordCheck::Unavailable;
    }
    void ChangePassword(WindowHandle) override {}
};
