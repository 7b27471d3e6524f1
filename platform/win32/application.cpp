#include "platform/win32/application.h"

#include <exception>

#include "platform/win32/sjis.h"
#include "platform/win32/win.h"
#include "platform/win32/window.h"

Win32Application::Win32Application(const SystemColorSource& colors, ControllerFactory makeController,
                                   DialogRunner runDialog, ErrorReport report)
    : colors_(colors), makeController_(std::move(makeController)), runDialog_(std::move(runDialog)), report_(std::move(report)) {}

Win32Application::~Win32Application() {
    Teardown();
    if (window_ != nullptr) DestroyWindow(window_);
}

void Win32Application::Teardown() {
    // The form first: it stops its frames before the window and its DC go away.
    controller_.reset();
    saverWindow_.reset();
}

void Win32Application::Initialize(std::string_view title) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TApplication";
    RegisterClassExW(&wc);
    // The framework's own top-level window: it owns the saver's pop-up, carries the title and is
    // never shown.
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"TApplication", SjisToWide(title).c_str(), WS_POPUP, 0, 0, 0, 0,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void Win32Application::HideApplicationWindow() {
    if (window_ != nullptr) ::ShowWindow(window_, SW_HIDE);
}

void Win32Application::ShowWindow(WindowHandle window, WindowVisibility visibility) {
    if (window != 0)
        ::ShowWindow(reinterpret_cast<HWND>(window), visibility == WindowVisibility::Shown ? SW_SHOW : SW_HIDE);
}

void Win32Application::ShowSettingsDialog() {
    try {
        runDialog_(window_);
    } catch (const std::exception& error) {
        report_(error);
    }
}

void Win32Application::CreateSaverWindow(WindowHandle host) {
    saverWindow_ = std::make_unique<Win32SaverWindow>(window_, colors_, report_);
    controller_ = makeController_(*saverWindow_, host);
    if (!saverWindow_->Create(*controller_)) Teardown();
}

void Win32Application::Run() {
    // Without a main window (settings, password change) there is nothing to wait for.
    if (!saverWindow_) return;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    Teardown();
}

void Win32Application::Terminate() { PostQuitMessage(0); }
