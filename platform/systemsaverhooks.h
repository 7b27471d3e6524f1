// SystemSaverHooks: what the platform's screen-saver system asks of a saver itself: the platform
// family, the screen-saver-running flag and the password dialogs. (Not the session bus's
// ScreenSaverService, which velmora-idle offers to other programs.)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/window.h"

// The family of the platform the saver runs on, as far as the saver's duties differ by it.
enum class PlatformFamily : std::uint8_t {
    Unknown,    // not asked yet
    Windows9x,  // keeps its own screen-saver-running flag and password check
    NT,         // the desktop does both; also every platform that is not Windows
    Other,      // an older Windows family
};

enum class PasswordCheck { Unavailable, Accepted, Refused };

class SystemSaverHooks {
  public:
    virtual ~SystemSaverHooks() = default;
    // False when the platform cannot tell.
    virtual bool GetPlatformFamily(PlatformFamily& family) = 0;
    // Tells the platform whether a screen saver is running (the 9x family's own flag).
    virtual void SetScreenSaverRunning(bool running) = 0;
    // The platform's system directory; empty when unavailable.
    virtual std::string SystemDirectory() = 0;
    // Loads the library at `path`, calls its VerifyScreenSavePwd(window) and releases it;
    // Unavailable when the library or the export is missing.
    virtual PasswordCheck VerifyScreenSavePwd(std::string_view path, WindowHandle window) = 0;
    // The platform's dialog for changing the screen-saver password, owned by `parent`; nothing
    // when unavailable.
    virtual void ChangePassword(WindowHandle parent) = 0;
};
