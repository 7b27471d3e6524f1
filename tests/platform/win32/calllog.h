// Shared by the stand-ins for the platform's password DLLs: one line per call appended to the
// file named by VELMORA_TEST_LOG (a Windows path), so a test in another process can see what the
// saver passed. Nothing is written when the variable is unset.
#pragma once

#include <windows.h>

#include <cstring>

inline void AppendCallLog(const char* line) {
    char path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("VELMORA_TEST_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    CloseHandle(file);
}
