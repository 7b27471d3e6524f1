// DesktopApplication: what the Linux saver's application framework is on every window system:
// the settings dialog through the wiring, and the saver's parts made by the backend, run and
// ended in one order. Backends add how their saver window is made and how other windows are
// shown.
#pragma once

#include <string_view>
#include <utility>

#include "platform/application.h"
#include "platform/linux/desktopwiring.h"
#include "platform/linux/saverparts.h"

template <typename Window, typename Modes>
class DesktopApplication : public Application {
  public:
    void Initialize(std::string_view title) override { (void)title; }
    void HideApplicationWindow() override {}  // a Linux desktop has no hidden application window
    void ShowSettingsDialog() override {
        if (!Wiring.ShowSettings || !Wiring.ShowSettings()) HasFailed = true;
    }
    void Run() override {
        if (!Saver.Run(Terminated, Wiring)) HasFailed = true;
    }
    void Terminate() override { Terminated = true; }

    // The run failed: the saver window could not be made or the window system lacks what the
    // saver needs, the window closed before its scene was made (settings that could not be
    // read, a preview host that is no window), or no dialog.
    bool Failed() const { return HasFailed; }

  protected:
    explicit DesktopApplication(DesktopWiring wiring) : Wiring(std::move(wiring)) {}

    DesktopWiring Wiring;
    SaverParts<Window, Modes> Saver;
    bool Terminated = false;
    bool HasFailed = false;
};
