// A stand-in for the 9x family's MPR.DLL: PwdChangePasswordA logs its arguments as
//   PwdChangePasswordA PROVIDER PARENT RESERVED1 RESERVED2
// (PARENT and the reserved pointer as unsigned numbers) and reports success without a dialog.
#include <windows.h>

#include <cstdio>

#include "tests/platform/win32/calllog.h"

extern "C" __declspec(dllexport) DWORD WINAPI
    PwdChangePasswordA(LPCSTR provider, HWND parent, DWORD reserved1, LPVOID reserved2) {
    char line[200];
    std::snprintf(line, sizeof line, "PwdChangePasswordA %s %llu %lu %llu",
                  provider != nullptr ? provider : "(null)",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(parent)),
                  static_cast<unsigned long>(reserved1),
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(reserved2)));
    AppendCallLog(line);
    return ERROR_SUCCESS;
}
