// wintool: the Windows side of the end-to-end tests under Wine.
//   wintool host SECONDS [X Y]  a 320x240 grey host window at (100, 100) or (X, Y); prints its
//                            handle, keeps it for SECONDS, destroys it, prints "destroyed" and
//                            lingers 1 s
//   wintool msgbox SECONDS   waits for a message box captioned "Velmora", prints its text
//                            (UTF-8) and clicks OK; exit 1 when none came
//   wintool children HWND    prints each child window of HWND: class, title, style, class style,
//                            client-relative rectangle, and whether another process owns it
//   wintool client TITLE     prints the screen position of the client area of the top-level
//                            window titled TITLE (UTF-8) as "X Y"
//   wintool handle TITLE     prints the handle of the top-level window titled TITLE (UTF-8), in
//                            hexadecimal as Wine's traces write it
//   wintool screensave TITLE sends WM_SYSCOMMAND SC_SCREENSAVE to the window titled TITLE and
//                            prints the result
//   wintool foreground       prints the title of the foreground window
//   wintool activate SECONDS a 200x150 window titled "another program" at (40, 40) that takes
//                            the foreground; prints "active MICROSECONDS" (Unix time) when it has
//                            it, or "never active" after SECONDS; keeps it until SECONDS are up
//   wintool wait-title TITLE SECONDS   waits for a top-level window titled TITLE (UTF-8); exit 1
//                            when none came
//   wintool syscolor INDEX   prints the system colour INDEX (GetSysColor) as "R G B"
//   wintool monitors         prints each monitor as "LEFT TOP RIGHT BOTTOM PRIMARY(0|1)"
//   wintool windows          prints each visible top-level window of other processes as
//                            "LEFT TOP RIGHT BOTTOM TITLE", and whether it is top-most
//   wintool resources FILE   prints string 1 of FILE ("string1 TEXT") and each image of its
//                            icon group 1 ("icon WIDTHxHEIGHT BITS png|bmp")
#include <windows.h>

#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

std::string Utf8(const wchar_t* text) {
    char out[2048];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
    return n > 0 ? std::string(out) : std::string();
}

// Argument `index` as the command line gave it: the narrow argv has been through the ANSI code
// page, which cannot hold a Japanese title.
std::wstring WideArg(int index) {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring arg =
        (args != nullptr && index < count) ? std::wstring(args[index]) : std::wstring();
    LocalFree(args);
    return arg;
}

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

int Host(int seconds, int x, int y) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = L"VelmoraTestHost";
    RegisterClassW(&wc);
    HWND host = CreateWindowExW(0, wc.lpszClassName, L"preview host", WS_POPUP | WS_VISIBLE, x, y,
                                320, 240, nullptr, nullptr, wc.hInstance, nullptr);
    if (host == nullptr) return 1;
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(host)));
    std::fflush(stdout);
    Pump(static_cast<DWORD>(seconds) * 1000);
    DestroyWindow(host);
    std::printf("destroyed\n");
    std::fflush(stdout);
    Pump(1000);
    return 0;
}

// The Unix time in microseconds, as the test's shell reads it (Wine's clock is the host's).
unsigned long long UnixMicroseconds() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const unsigned long long ticks =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return ticks / 10 - 11644473600ULL * 1000000ULL;  // from 1601 in 100 ns to 1970 in 1 us
}

int Activate(int seconds) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"VelmoraTestOther";
    RegisterClassW(&wc);
    // Top-most, as a window that comes over a full-screen program would have to be to be seen.
    HWND other = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"another program", WS_POPUP, 40,
                                 40, 200, 150, nullptr, nullptr, wc.hInstance, nullptr);
    if (other == nullptr) return 1;
    ShowWindow(other, SW_SHOW);
    SetForegroundWindow(other);
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    bool active = false;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!active && GetForegroundWindow() == other) {
            active = true;
            std::printf("active %llu\n", UnixMicroseconds());
            std::fflush(stdout);
        }
        Sleep(active ? 10 : 1);
    }
    if (!active) std::printf("never active\n");
    DestroyWindow(other);
    return active ? 0 : 1;
}

struct BoxSearch {
    HWND Found = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    wchar_t cls[64], title[64];
    GetClassNameW(window, cls, 64);
    GetWindowTextW(window, title, 64);
    if (std::wcscmp(cls, L"#32770") == 0 && std::wcscmp(title, L"Velmora") == 0 &&
        IsWindowVisible(window)) {
        reinterpret_cast<BoxSearch*>(param)->Found = window;
        return FALSE;
    }
    return TRUE;
}

int MessageBoxText(int seconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    BoxSearch search;
    while (search.Found == nullptr && static_cast<LONG>(end - GetTickCount()) > 0) {
        EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.Found == nullptr) Sleep(100);
    }
    if (search.Found == nullptr) return 1;
    wchar_t text[1024] = L"";
    // The message text is the box's static control 0xFFFF.
    GetDlgItemTextW(search.Found, 0xFFFF, text, 1024);
    std::printf("%s\n", Utf8(text).c_str());
    std::fflush(stdout);
    PostMessageW(search.Found, WM_COMMAND, IDOK, 0);
    return 0;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM parent) {
    if (GetParent(child) != reinterpret_cast<HWND>(parent)) return TRUE;
    wchar_t cls[64] = L"", title[64] = L"";
    GetClassNameW(child, cls, 64);
    GetWindowTextW(child, title, 64);
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, reinterpret_cast<HWND>(parent), reinterpret_cast<POINT*>(&r), 2);
    DWORD process = 0;
    GetWindowThreadProcessId(child, &process);
    std::printf("class=%s title=%s style=%08lX classstyle=%04lX rect=%ld,%ld,%ld,%ld foreign=%d\n",
                Utf8(cls).c_str(), Utf8(title).c_str(),
                static_cast<unsigned long>(GetWindowLongW(child, GWL_STYLE)),
                static_cast<unsigned long>(GetClassLongPtrW(child, GCL_STYLE)), r.left, r.top,
                r.right, r.bottom, process != GetCurrentProcessId() ? 1 : 0);
    return TRUE;
}

int Children(const char* handle) {
    HWND parent = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(handle, nullptr, 10)));
    if (!IsWindow(parent)) return 1;
    EnumChildWindows(parent, &PrintChild, reinterpret_cast<LPARAM>(parent));
    std::fflush(stdout);
    return 0;
}

int ClientOrigin() {
    HWND window = FindWindowW(nullptr, WideArg(2).c_str());
    if (window == nullptr) return 1;
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::printf("%ld %ld\n", origin.x, origin.y);
    return 0;
}

int Handle() {
    HWND window = FindWindowW(nullptr, WideArg(2).c_str());
    if (window == nullptr) return 1;
    std::printf("%08llx\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    return 0;
}

int ScreenSave() {
    HWND window = FindWindowW(nullptr, WideArg(2).c_str());
    if (window == nullptr) return 1;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0, SMTO_ABORTIFHUNG, 5000,
                             &result))
        return 1;
    std::printf("%llu\n", static_cast<unsigned long long>(result));
    return 0;
}

int Foreground() {
    wchar_t title[256] = L"";
    GetWindowTextW(GetForegroundWindow(), title, 256);
    std::printf("%s\n", Utf8(title).c_str());
    return 0;
}

int WaitTitle(int seconds) {
    const std::wstring wanted = WideArg(2);
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        if (FindWindowW(nullptr, wanted.c_str()) != nullptr) return 0;
        Sleep(100);
    }
    return 1;
}

int SysColor(int index) {
    const COLORREF c = GetSysColor(index);
    std::printf("%d %d %d\n", GetRValue(c), GetGValue(c), GetBValue(c));
    return 0;
}

BOOL CALLBACK PrintMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
        std::printf("%ld %ld %ld %ld %d\n", info.rcMonitor.left, info.rcMonitor.top,
                    info.rcMonitor.right, info.rcMonitor.bottom,
                    (info.dwFlags & MONITORINFOF_PRIMARY) != 0 ? 1 : 0);
    return TRUE;
}

int Monitors() {
    EnumDisplayMonitors(nullptr, nullptr, &PrintMonitor, 0);
    return 0;
}

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    wchar_t title[256] = L"";
    GetWindowTextW(window, title, 256);
    RECT r;
    GetWindowRect(window, &r);
    const bool topmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    std::printf("%ld %ld %ld %ld topmost=%d title=%s\n", r.left, r.top, r.right, r.bottom,
                topmost ? 1 : 0, Utf8(title).c_str());
    return TRUE;
}

int TopLevelWindows() {
    EnumWindows(&PrintTopLevel, 0);
    return 0;
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE Width, Height, Colors, Reserved;
    WORD Planes, BitCount;
    DWORD Bytes;
    WORD Id;
};
#pragma pack(pop)

int Resources() {
    HMODULE module = LoadLibraryExW(WideArg(2).c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) return 1;
    wchar_t text[256] = L"";
    LoadStringW(module, 1, text, 256);
    std::printf("string1 %s\n", Utf8(text).c_str());
    HRSRC group =
        FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    if (group != nullptr) {
        const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
        const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
        const auto* entries = reinterpret_cast<const GroupIconEntry*>(dir + 6);
        for (WORD i = 0; i < count; ++i) {
            const GroupIconEntry& e = entries[i];
            HRSRC image =
                FindResourceW(module, MAKEINTRESOURCEW(e.Id), MAKEINTRESOURCEW(3));  // RT_ICON
            const auto* bytes =
                image != nullptr
                    ? static_cast<const BYTE*>(LockResource(LoadResource(module, image)))
                    : nullptr;
            const bool png = bytes != nullptr && std::memcmp(bytes, "\x89PNG", 4) == 0;
            std::printf("icon %dx%d %d %s\n", e.Width == 0 ? 256 : e.Width,
                        e.Height == 0 ? 256 : e.Height, e.BitCount, png ? "png" : "bmp");
        }
    }
    FreeLibrary(module);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::strcmp(argv[1], "host") == 0)
        return Host(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc >= 3 && std::strcmp(argv[1], "host") == 0) return Host(std::atoi(argv[2]), 100, 100);
    if (argc >= 3 && std::strcmp(argv[1], "msgbox") == 0) return MessageBoxText(std::atoi(argv[2]));
    if (argc >= 3 && std::strcmp(argv[1], "children") == 0) return Children(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "client") == 0) return ClientOrigin();
    if (argc >= 3 && std::strcmp(argv[1], "handle") == 0) return Handle();
    if (argc >= 3 && std::strcmp(argv[1], "screensave") == 0) return ScreenSave();
    if (argc >= 2 && std::strcmp(argv[1], "foreground") == 0) return Foreground();
    if (argc >= 3 && std::strcmp(argv[1], "activate") == 0) return Activate(std::atoi(argv[2]));
    if (argc >= 4 && std::strcmp(argv[1], "wait-title") == 0) return WaitTitle(std::atoi(argv[3]));
    if (argc >= 3 && std::strcmp(argv[1], "syscolor") == 0) return SysColor(std::atoi(argv[2]));
    if (argc >= 3 && std::strcmp(argv[1], "resources") == 0) return Resources();
    if (argc >= 2 && std::strcmp(argv[1], "monitors") == 0) return Monitors();
    if (argc >= 2 && std::strcmp(argv[1], "windows") == 0) return TopLevelWindows();
    std::fprintf(stderr,
                 "usage: wintool "
                 "host|msgbox|children|client|handle|screensave|foreground|activate|wait-title|"
                 "syscolor|resources|monitors|windows ...\n");
    return 2;
}
