#include "saver/legacy9x.h"

#include <string>
#include <string_view>

namespace {

constexpr std::string_view kDesktopKey = "Control Panel\\desktop";
constexpr std::string_view kUsePasswordValue = "ScreenSaveUsePassword";
constexpr std::string_view kPasswordLibrary = "PASSWORD.CPL";

}  // namespace

// The key stays open until the whole check is over, password dialog included, and is released
// on every path out.
struct Legacy9x::DesktopKey {
    Registry& Reg;
    RegKey Key = 0;
    ~DesktopKey() {
        if (Key != 0) Reg.CloseKey(Key);
    }
};

bool Legacy9x::PasswordOptionOn(DesktopKey& desktop) {
    if (Reg.OpenKey(kRegCurrentUser, kDesktopKey, kKeyAllAccess, &desktop.Key) != 0) {
        desktop.Key = 0;
        return false;
    }
    std::uint32_t type = 0, size = 0;
    if (Reg.QueryValue(desktop.Key, kUsePasswordValue, &type, nullptr, &size) != 0) {
        const std::uint32_t zero = 0;
        Reg.SetValue(desktop.Key, kUsePasswordValue, kRegDword,
                     reinterpret_cast<const std::uint8_t*>(&zero), sizeof zero);
    }
    std::uint32_t usePassword = 0;
    size = sizeof usePassword;
    type = kRegNone;
    const long read = Reg.QueryValue(desktop.Key, kUsePasswordValue, &type,
                                     reinterpret_cast<std::uint8_t*>(&usePassword), &size);
    // A value of another type or size counts as off, so the saver can always be closed.
    return read == 0 && type == kRegDword && size == sizeof usePassword && usePassword != 0;
}

bool Legacy9x::PasswordAllowsClose(WindowHandle window) {
    DesktopKey desktop{Reg};
    if (!PasswordOptionOn(desktop)) return true;
    Cursor.ShowCursor(true);
    std::string path = SaverHooks.SystemDirectory();
    if (!path.empty() && path.back() != '\\') path += '\\';
    path += kPasswordLibrary;
    const bool allowed = SaverHooks.VerifyScreenSavePwd(path, window) != PasswordCheck::Refused;
    if (!allowed) Cursor.ShowCursor(false);
    return allowed;
}
