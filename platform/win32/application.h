// Win32Application: the application framework on Win32: the hidden application window titled
// "Velmora", the message loop, and the saver window and settings dialog that the entry point
// plugs in.
#pragma once

#include <functional>
#include <memory>

#include "platform/application.h"

struct HWND__;
class Win32SaverWindow;

class Win32Application final : public Application {
  public:
    // Builds the saver's controller on its window (each calls back into the other) and keeps it.
    using ControllerFactory =
        std::function<std::unique_ptr<WindowEvents>(NativeWindow& window, WindowHandle host)>;
    using DialogRunner = std::function<void(HWND__* applicationWindow)>;
    using ErrorReport = std::function<void(const std::exception&)>;

    Win32Application(const SystemColorSource& colors, ControllerFactory makeController,
                     DialogRunner runDialog, ErrorReport report);
    ~Win32Application() override;

    void Initialize(std::string_view title) override;
    void HideApplicationWindow() override;
    void ShowWindow(WindowHandle window, WindowVisibility visibility) override;
    void ShowSettingsDialog() override;
    void CreateSaverWindow(WindowHandle host) override;
    void Run() override;
    void Terminate() override;

    HWND__* ApplicationWindow() const { return Window; }

  private:
    void Teardown();

    const SystemColorSource& Colors;
    ControllerFactory MakeController;
    DialogRunner RunDialog;
    ErrorReport Report;
    HWND__* Window = nullptr;
    std::unique_ptr<Win32SaverWindow> SaverWindow;
    std::unique_ptr<WindowEvents> Controller;
};
