// Win32InstanceMarker and Win32WindowFinder: the global atom named after the executable, and the
// running instance's window found by its title (FindWindowA, SetForegroundWindow).
#pragma once

#include "platform/instance.h"

class Win32InstanceMarker final : public InstanceMarker {
  public:
    MarkerId Find(std::string_view name) override;
    MarkerId Add(std::string_view name) override;
    void Delete(MarkerId atom) override;
};

class Win32WindowFinder final : public WindowFinder {
  public:
    WindowHandle FindWindow(std::string_view title) override;
    void SetForegroundWindow(WindowHandle window) override;
};
