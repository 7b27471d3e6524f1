// The application framework as the launcher drives it.
#pragma once

#include <string_view>

#include "platform/window.h"

inline constexpr int SW_HIDE_ = 0;
inline constexpr int SW_SHOW_ = 5;

class Application {
  public:
    virtual ~Application() = default;
    // Initialises the framework and titles its application window.
    virtual void Initialize(std::string_view title) = 0;
    virtual void HideApplicationWindow() = 0;
    virtual void ShowWindow(WindowHandle window, int command) = 0;
    // The settings dialog, created without an owner, shown modally and freed.
    virtual void ShowSettingsDialog() = 0;
    // Creates the saver window as the main window: preview inside `host`, run mode when 0.
    virtual void CreateSaverWindow(WindowHandle host) = 0;
    // The message loop: returns at once without a main window, else when it has closed.
    virtual void Run() = 0;
    virtual void Terminate() = 0;
};
