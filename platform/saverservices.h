// The platform's screen-saver services: its family, the screen-saver-running flag and the
// password dialogs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/window.h"

// dwPlatformId values.
inline constexpr std::int32_t kPlatformWin9x = 1;
inline constexpr std::int32_t kPlatformNT = 2;

enum class PasswordCheck { Unavailable, Accepted, Refused };

class ScreenSaverServices {
  public:
    virtual ~ScreenSaverServices() = default;
    // GetVersionExA's dwPlatformId; false when the call fails.
    virtual bool GetPlatformId(std::int32_t& platformId) = 0;
    // SystemParametersInfo(SPI_SETSCREENSAVERRUNNING, running).
    virtual void SetScreenSaverRunning(bool running) = 0;
    // GetSystemDirectoryA; empty when unavailable.
    virtual std::string SystemDirectory() = 0;
    // Loads the library at `path`, calls its VerifyScreenSavePwd(window) and releases it;
    // Unavailable when the library or the export is missing.
    virtual PasswordCheck VerifyScreenSavePwd(std::string_view path, WindowHandle window) = 0;
    // MPR.DLL's PwdChangePasswordA("SCRSAVE", parent, 0, 0); nothing when unavailable.
    virtual void ChangePassword(WindowHandle parent) = 0;
};
