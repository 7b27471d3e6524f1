// The application framework as the launcher drives it.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/window.h"

enum class WindowVisibility : std::uint8_t { Hidden, Shown };

class Application {
  public:
    virtual ~Application() = default;
    // Initialises the framework and titles its application window.
    virtual void Initialize(std::string_view title) = 0;
    virtual void HideApplicationWindow() = 0;
    // Shows or hides any window of the desktop; nothing for 0.
    virtual void ShowWindow(WindowHandle window, WindowVisibility visibility) = 0;
    // The settings dialog, created without an owner, shown modally and freed.
    virtual void ShowSettingsDialog() = 0;
    // Creates the saver window as the main window: preview inside `host`, run mode when 0.
    virtual void CreateSaverWindow(WindowHandle host) = 0;
    // The message loop: returns at once without a main window, else when it has closed.
    virtual void Run() = 0;
    virtual void Terminate() = 0;
};
