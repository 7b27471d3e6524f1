#include "platform/win32/window.h"

#include "platform/win32/win.h"

#include <imm.h>
#include <windowsx.h>

#include <cwchar>
#include <exception>

#include "platform/win32/surface.h"

namespace {

constexpr UINT_PTR kBannerTimerId = 1;
// Preview only: a host in another process may go without its child hearing of it first.
constexpr UINT_PTR kHostWatch = 2;
constexpr UINT kHostWatchMs = 250;

// A button going down, double clicks included; the wheel is no button here.
bool IsButtonDown(unsigned message) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            return true;
        default:
            return false;
    }
}

// One class per class style: the preview's CS_PARENTDC replaces the run mode's CS_DBLCLKS.
const wchar_t* RegisterFormClass(UINT style, WNDPROC proc) {
    static wchar_t names[4][32];
    static UINT styles[4];
    static int count = 0;
    for (int i = 0; i < count; ++i)
        if (styles[i] == style) return names[i];
    if (count == 4) return nullptr;
    swprintf(names[count], 32, L"SaverWindow.%04X", style);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    // The form has no paint handler: whatever is uncovered is erased to black, the frames redraw.
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = names[count];
    if (!RegisterClassExW(&wc)) return nullptr;
    styles[count] = style;
    return names[count++];
}

const wchar_t* RegisterHelperClass(const wchar_t* name, WNDPROC proc, HBRUSH background) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassExW(&wc);  // fails harmlessly when a second window registers it again
    return name;
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        reinterpret_cast<std::vector<Monitor>*>(list)->push_back(Monitor{
            Rect32{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}

}  // namespace

Win32WindowStyles Win32StylesFor(const WindowCreateParams& params) {
    Win32WindowStyles styles;
    styles.Style = params.Child ? WS_CHILD : WS_POPUP;
    if (params.Visible) styles.Style |= WS_VISIBLE;
    if (params.Disabled) styles.Style |= WS_DISABLED;
    if (params.TopMost) styles.ExStyle |= WS_EX_TOPMOST;
    if (params.DoubleClicks) styles.ClassStyle |= CS_DBLCLKS;
    if (params.DrawsOnParent) styles.ClassStyle |= CS_PARENTDC;
    return styles;
}

WindowCreateParams Win32FormDefaults(HWND__* applicationWindow) {
    WindowCreateParams params;
    params.Parent = reinterpret_cast<WindowHandle>(applicationWindow);
    params.DoubleClicks = true;
    return params;
}

Win32SaverWindow::Win32SaverWindow(HWND__* applicationWindow, const SystemColorSource& colors,
                                   ErrorReport report)
    : ApplicationHwnd(applicationWindow), Colors(colors), Report(std::move(report)) {}

Win32SaverWindow::~Win32SaverWindow() {
    Drawing.reset();
    DestroyCovers();
    if (WatchHwnd != nullptr) DestroyWindow(WatchHwnd);
    if (Hwnd != nullptr && IsWindow(Hwnd)) {
        Destroying = true;
        DestroyWindow(Hwnd);
    }
}

bool Win32SaverWindow::Create(WindowEvents& events) {
    Events = &events;
    return Lifecycle.Create(events);
}

WindowCreateParams Win32SaverWindow::DefaultParams() {
    return Win32FormDefaults(ApplicationHwnd);
}

bool Win32SaverWindow::MakeWindow(const WindowCreateParams& params) {
    if (params.Child) HostHwnd = reinterpret_cast<HWND>(params.Parent);
    const Win32WindowStyles styles = Win32StylesFor(params);

    const wchar_t* cls =
        RegisterFormClass(styles.ClassStyle, reinterpret_cast<WNDPROC>(&WindowProc));
    if (cls == nullptr) return false;
    // Design position and size; OnCreate replaces both.
    Hwnd = CreateWindowExW(styles.ExStyle, cls, L"Velmora", styles.Style, 256, 170, 338, 273,
                           reinterpret_cast<HWND>(params.Parent), nullptr,
                           GetModuleHandleW(nullptr), this);
    if (Hwnd == nullptr) return false;
    ArmBannerTimer();
    if (HostHwnd != nullptr) {
        const wchar_t* watchClass =
            RegisterHelperClass(L"SaverHostWatch", reinterpret_cast<WNDPROC>(&WatchProc), nullptr);
        WatchHwnd = CreateWindowExW(0, watchClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
        if (WatchHwnd != nullptr) {
            SetWindowLongPtrW(WatchHwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            SetTimer(WatchHwnd, kHostWatch, kHostWatchMs, nullptr);
        }
    }

    return true;
}

bool Win32SaverWindow::Map() {
    // The form is created visible: it is shown at the end of its construction.
    ShowWindow(Hwnd, SW_SHOW);
    UpdateWindow(Hwnd);
    return true;
}

bool Win32SaverWindow::GetWindowRect(WindowHandle window, Rect32& rect) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    RECT r;
    if (!IsWindow(hwnd) || !::GetWindowRect(hwnd, &r)) return false;
    rect = Rect32{r.left, r.top, r.right, r.bottom};
    return true;
}

void Win32SaverWindow::PrimaryScreenSize(std::int32_t& width, std::int32_t& height) {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
}

void Win32SaverWindow::SetBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                                 std::int32_t height) {
    SetWindowPos(Hwnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32SaverWindow::Close() {
    Lifecycle.Close();
}

void Win32SaverWindow::Unmap() {
    // The main window's close ends the application's message loop.
    PostQuitMessage(0);
    if (Hwnd != nullptr && IsWindow(Hwnd)) ShowWindow(Hwnd, SW_HIDE);
    for (HWND cover : Covers) ShowWindow(cover, SW_HIDE);
}

void Win32SaverWindow::HideApplicationWindow() {
    ShowWindow(ApplicationHwnd, SW_HIDE);
}

void Win32SaverWindow::DisableIme() {
    // No input method context: typed keys reach the form as keys, not as composition.
    ImmAssociateContext(Hwnd, nullptr);
}

void Win32SaverWindow::SetBannerTimer(bool enabled, std::uint32_t intervalMs) {
    BannerTimerOn = enabled;
    BannerIntervalMs = intervalMs;
    ArmBannerTimer();
}

void Win32SaverWindow::ArmBannerTimer() {
    if (Hwnd == nullptr) return;  // armed when the window exists
    if (BannerTimerOn)
        SetTimer(Hwnd, kBannerTimerId, BannerIntervalMs, nullptr);
    else
        KillTimer(Hwnd, kBannerTimerId);
}

WindowHandle Win32SaverWindow::Handle() {
    return reinterpret_cast<WindowHandle>(Hwnd);
}

DrawingSurface& Win32SaverWindow::Surface() {
    // Made on first use, by OnCreate once the window has its final place and size, so the DC
    // is taken for the window as it will stay; frames only ever find it made.
    if (!Drawing) Drawing = std::make_unique<GdiSurface>(Hwnd, Colors);
    return *Drawing;
}

void Win32SaverWindow::FlushDrawing() {
    GdiFlush();
}

std::vector<Monitor> Win32SaverWindow::Monitors() {
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

void Win32SaverWindow::CoverAreas(std::span<const Rect32> areas) {
    DestroyCovers();
    const wchar_t* coverClass =
        RegisterHelperClass(L"SaverCover", reinterpret_cast<WNDPROC>(&CoverProc),
                            static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    for (const Rect32& area : areas) {
        // Top-most like the saver window, owned by the application window so that no taskbar
        // button shows, and untitled so that a second launch never takes one for the saver.
        HWND cover =
            CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, coverClass, L"", WS_POPUP, area.Left,
                            area.Top, area.Right - area.Left, area.Bottom - area.Top,
                            ApplicationHwnd, nullptr, GetModuleHandleW(nullptr), this);
        if (cover == nullptr) continue;
        Covers.push_back(cover);
        ShowWindow(cover, SW_SHOWNOACTIVATE);
    }
}

void Win32SaverWindow::ReportActivation(std::uintptr_t wParam, std::intptr_t lParam) {
    if (Events == nullptr || Lifecycle.Closed()) return;
    try {
        if (LOWORD(wParam) != WA_INACTIVE)
            Events->OnActivated();
        else if (!OwnWindow(reinterpret_cast<HWND>(lParam)))
            Events->OnActivationLost();
    } catch (const std::exception& error) {
        Report(error);
    }
}

bool Win32SaverWindow::OwnWindow(HWND__* window) const {
    // The covers, message boxes and dialogs of the saver all belong to the window's thread;
    // an activation that stays on it has not left the saver.
    return window != nullptr && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

void Win32SaverWindow::DestroyCovers() {
    for (HWND cover : Covers)
        if (IsWindow(cover)) DestroyWindow(cover);
    Covers.clear();
}

// The saver window a window of ours belongs to: handed over with WM_NCCREATE, kept in the
// window's user data from then on.
Win32SaverWindow* Win32SaverWindow::OwnerOf(HWND__* window, unsigned message,
                                            std::intptr_t lParam) {
    if (message == WM_NCCREATE) {
        auto* owner = static_cast<Win32SaverWindow*>(
            reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
        return owner;
    }
    return reinterpret_cast<Win32SaverWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

std::intptr_t __stdcall Win32SaverWindow::WindowProc(HWND__* window, unsigned message,
                                                     std::uintptr_t wParam, std::intptr_t lParam) {
    Win32SaverWindow* self = OwnerOf(window, message, lParam);
    if (message == WM_NCCREATE && self != nullptr) self->Hwnd = window;
    if (self == nullptr || self->Events == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->Deliver(message, wParam, lParam);
}

std::intptr_t Win32SaverWindow::Deliver(unsigned message, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
    try {
        return Dispatch(message, wParam, lParam);
    } catch (const std::exception& error) {
        // The rest of the handler is skipped and the program goes on.
        Report(error);
        return 0;
    }
}

std::intptr_t __stdcall Win32SaverWindow::CoverProc(HWND__* window, unsigned message,
                                                    std::uintptr_t wParam, std::intptr_t lParam) {
    Win32SaverWindow* self = OwnerOf(window, message, lParam);
    if (self == nullptr || self->Events == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
        case WM_MOUSEMOVE: {
            // In the saver window's client coordinates, so that a first position recorded on
            // one monitor compares with a later one on another.
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            MapWindowPoints(window, self->Hwnd, &at, 1);
            return self->Deliver(message, wParam,
                                 MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y)));
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_SYSCOMMAND:
            return self->Deliver(message, wParam, lParam);
        case WM_ACTIVATE:
            // A click on a cover activates it: the saver still has the keyboard.
            self->ReportActivation(wParam, lParam);
            return DefWindowProcW(window, message, wParam, lParam);
        default:
            if (IsButtonDown(message)) return self->Deliver(message, wParam, lParam);
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

std::intptr_t __stdcall Win32SaverWindow::WatchProc(HWND__* window, unsigned message,
                                                    std::uintptr_t wParam, std::intptr_t lParam) {
    auto* self = reinterpret_cast<Win32SaverWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_TIMER && wParam == kHostWatch && self != nullptr && self->Events != nullptr) {
        if (!self->Lifecycle.Closed() && (!IsWindow(self->HostHwnd) || !IsWindow(self->Hwnd))) {
            try {
                self->Events->OnHostGone();
            } catch (const std::exception& error) {
                self->Report(error);
            }
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::intptr_t Win32SaverWindow::Dispatch(unsigned message, std::uintptr_t wParam,
                                         std::intptr_t lParam) {
    WindowEvents& events = *Events;
    if (IsButtonDown(message)) {
        if (!Lifecycle.Closed()) events.OnMouseDown();
        return 0;
    }
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (!Lifecycle.Closed()) events.OnKeyDown();
            return 0;
        case WM_MOUSEMOVE:
            if (!Lifecycle.Closed()) events.OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_SYSCOMMAND: {
            std::intptr_t result = 0;
            // The low four bits are the platform's own.
            const SystemCommand command = (wParam & 0xFFF0) == SC_SCREENSAVE
                                              ? SystemCommand::ScreenSave
                                              : SystemCommand::Other;
            if (events.OnSystemCommand(command, result)) return result;
            break;
        }
        case WM_ACTIVATEAPP:
            // Sent to every top-level window of the thread, the covers too; the saver window's
            // copy is enough.
            if (!Lifecycle.Closed()) {
                if (wParam != 0)
                    events.OnActivated();
                else
                    events.OnActivationLost();
            }
            break;
        case WM_ACTIVATE:
            ReportActivation(wParam, lParam);
            break;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_TIMER:
            if (wParam == kBannerTimerId) {
                events.OnBannerEnd();
                return 0;
            }
            break;
        case WM_DESTROY:
            // Not our own teardown: the preview host took this window with it.
            if (!Destroying && !Lifecycle.Closed()) events.OnHostGone();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(Hwnd, message, wParam, static_cast<LPARAM>(lParam));
}
