// A stand-in for the 9x family's PASSWORD.CPL: VerifyScreenSavePwd refuses the first
// VELMORA_TEST_REFUSALS calls of a process (1 when unset) and accepts every later one. Each call
// is logged as
//   VerifyScreenSavePwd WINDOW-TITLE CURSOR-COUNT ACCEPTED(0|1)
// where CURSOR-COUNT is the calling thread's cursor display counter at the call (0 and above:
// the cursor shows).
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "tests/platform/win32/calllog.h"

namespace {

// The saver loads and releases the library around each call, so the count of calls lives in the
// process's environment, not in this module.
constexpr const char* kCallsVariable = "VELMORA_TEST_PASSWORD_CALLS";

int NextCall() {
    char text[16] = "0";
    GetEnvironmentVariableA(kCallsVariable, text, sizeof text);
    const int call = std::atoi(text) + 1;
    std::snprintf(text, sizeof text, "%d", call);
    SetEnvironmentVariableA(kCallsVariable, text);
    return call;
}

int Refusals() {
    char text[16];
    const DWORD n = GetEnvironmentVariableA("VELMORA_TEST_REFUSALS", text, sizeof text);
    return n == 0 || n >= sizeof text ? 1 : std::atoi(text);
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    const BOOL accepted = NextCall() > Refusals();
    // ShowCursor answers with the counter after its change: one step down and back up reads it.
    const int cursorCount = ShowCursor(FALSE) + 1;
    ShowCursor(TRUE);
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    char line[160];
    std::snprintf(line, sizeof line, "VerifyScreenSavePwd %s %d %d", title[0] != '\0' ? title : "-",
                  cursorCount, accepted ? 1 : 0);
    AppendCallLog(line);
    return accepted;
}
