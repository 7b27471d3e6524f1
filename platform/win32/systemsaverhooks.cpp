#include "platform/win32/systemsaverhooks.h"

#include "platform/win32/win.h"

bool Win32SystemSaverHooks::GetPlatformFamily(PlatformFamily& family) {
    OSVERSIONINFOA info{};
    static_assert(sizeof info == 148, "OSVERSIONINFOA as GetVersionExA takes it");
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
    switch (info.dwPlatformId) {
        case VER_PLATFORM_WIN32_WINDOWS:
            family = PlatformFamily::Windows9x;
            break;
        case VER_PLATFORM_WIN32_NT:
            family = PlatformFamily::NT;
            break;
        default:
            family = PlatformFamily::Other;
            break;
    }
    return true;
}

void Win32SystemSaverHooks::SetScreenSaverRunning(bool running) {
    UINT previous = 0;  // receives the old state, which nobody needs
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
}

std::string Win32SystemSaverHooks::SystemDirectory() {
    char buffer[MAX_PATH];
    UINT n = GetSystemDirectoryA(buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return std::string(buffer, n);
}

PasswordCheck Win32SystemSaverHooks::VerifyScreenSavePwd(std::string_view path,
                                                         WindowHandle window) {
    HMODULE library = LoadLibraryA(std::string(path).c_str());
    if (library == nullptr) return PasswordCheck::Unavailable;
    using Verify = BOOL(WINAPI*)(HWND);
    auto verify = reinterpret_cast<Verify>(
        reinterpret_cast<void*>(GetProcAddress(library, "VerifyScreenSavePwd")));
    PasswordCheck result = PasswordCheck::Unavailable;
    if (verify != nullptr)
        result = verify(reinterpret_cast<HWND>(window)) ? PasswordCheck::Accepted
                                                        : PasswordCheck::Refused;
    FreeLibrary(library);
    return result;
}

void Win32SystemSaverHooks::ChangePassword(WindowHandle parent) {
    HMODULE library = LoadLibraryA("MPR.DLL");
    if (library == nullptr) return;
    using Change = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
    auto change = reinterpret_cast<Change>(
        reinterpret_cast<void*>(GetProcAddress(library, "PwdChangePasswordA")));
    if (change != nullptr) change("SCRSAVE", reinterpret_cast<HWND>(parent), 0, nullptr);
    FreeLibrary(library);
}
