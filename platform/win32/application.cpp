#include "platform/win32/application.h"

#include <exception>

#include "platform/win32/sjis.h"
#include "platform/win32/win.h"
#include "platform/win32/window.h"

Win32Application::Win32Application(const SystemColorSource& colors,
                                   ControllerFactory makeController, DialogRunner runDialog,
                                   ErrorReport report)
    : Colors(colors),
      MakeController(std::move(makeController)),
      RunDialog(std::move(runDialog)),
      Report(std::move(report)) {}

Win32Application::~Win32Application() {
    Teardown();
    if (Window != nullptr) DestroyWindow(Window);
}

void Win32Application::Teardown() {
    // The form first: it stops its frames before the window and its DC go away.
    Controller.reset();
    SaverWindow.reset();
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
    Window = CreateWindowExW(WS_EX_TOOLWINDOW, L"TApplication", SjisToWide(title).c_str(), WS_POPUP,
                             0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void Win32Application::HideApplicationWindow() {
    if (Window != nullptr) ::ShowWindow(Window, SW_HIDE);
}

void Win32Application::ShowWindow(WindowHandle window, WindowVisibility visibility) {
    if (window != 0)
        ::ShowWindow(reinterpret_cast<HWND>(window),
                     visibility == WindowVisibility::Shown ? SW_SHOW : SW_HIDE);
}

void Win32Application::ShowSettingsDialog() {
    try {
        RunDialog(Window);
    } catch (const std::exception& error) {
        Report(error);
    }
}

void Win32Application::CreateSaverWindow(WindowHandle host) {
    SaverWindow = std::make_unique<Win32SaverWindow>(Window, Colors, Report);
    Controller = MakeController(*SaverWindow, host);
    if (!SaverWindow->Create(*Controller)) Teardown();
}

void Win32Application::Run() {
    // Without a main window (settings, password change) there is nothing to wait for.
    if (!SaverWindow) return;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    Teardown();
}

void Win32Application::Terminate() {
    PostQuitMessage(0);
}
