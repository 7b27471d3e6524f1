// Legacy9x: what only the Windows 9x family asks of a screen saver itself. The NT family and
// every other platform do these things in the desktop (or not at all), so none of this runs on
// the 64-bit velmora.scr or on Linux; it is kept apart so the saver window reads without it.
//
// - the platform's screen-saver-running flag, set while the saver runs;
// - the password check when the saver is asked to close, through PASSWORD.CPL, when the
//   desktop's "ScreenSaveUsePassword" option is on;
// - display mode requests without a refresh rate.
#pragma once

#include <cstdint>

#include "platform/cursor.h"
#include "platform/displaymodes.h"
#include "platform/registry.h"
#include "platform/systemsaverhooks.h"
#include "platform/window.h"

class Legacy9x {
  public:
    Legacy9x(SystemSaverHooks& saverHooks, Registry& reg, CursorService& cursor)
        : SaverHooks(saverHooks), Reg(reg), Cursor(cursor) {}

    void SetScreenSaverRunning(bool running) { SaverHooks.SetScreenSaverRunning(running); }

    // Whether a close may go on. The desktop's password option is read (and created as 0 when
    // missing); when it is on, the cursor is shown for the platform's password dialog and hidden
    // again if the password is refused. A missing key, option, library or export lets the saver
    // close.
    bool PasswordAllowsClose(WindowHandle window);

    // A 9x display driver takes no refresh rate: size and depth only.
    static DisplayModeRequest DisplayRequest(std::uint32_t width, std::uint32_t height,
                                             std::uint32_t bitsPerPixel) {
        return DisplayModeRequest{width, height, bitsPerPixel, std::nullopt};
    }

  private:
    struct DesktopKey;
    bool PasswordOptionOn(DesktopKey& desktop);

    SystemSaverHooks& SaverHooks;
    Registry& Reg;
    CursorService& Cursor;
};
