// ReturnLockOptions: the desktop's own screen-saver password options, read where a Windows export
// of the current user's hive keeps them ("Control Panel\desktop"). Velmora only reads them: a
// user who never asked for a locked return finds nothing of it in the file.
#pragma once

#include <cstdint>

#include "platform/registry.h"

struct ReturnLockOptions {
    // "ScreenSaverIsSecure" (the NT family's) or "ScreenSaveUsePassword" (the 9x family's) is a
    // non-zero number, as a text or a 32-bit value.
    bool Secure = false;
    // "ScreenSaverGracePeriod": how long after the start input still ends the saver plainly.
    std::uint32_t GraceSeconds = 5;
};

inline constexpr std::uint32_t kDefaultGraceSeconds = 5;
// A longer grace would leave the option on in name only.
inline constexpr std::uint32_t kMaxGraceSeconds = 3600;

// Missing values, a missing key and values of other forms read as the defaults (off, 5 s); a
// negative grace period counts as none, a longer one than kMaxGraceSeconds as that.
ReturnLockOptions ReadReturnLockOptions(Registry& registry);
