// LazyQt: the settings dialog and the message box, from the Qt module loaded on first use.
#pragma once

#include <cstddef>
#include <string>

#include "platform/messagebox.h"
#include "platform/registry.h"

class TerminationPipe;

// The module's entry points. `terminationFd` becomes readable when the program is to end: the
// box or dialog then closes at once (the dialog without writing); -1 for none.
extern "C" {
using VelmoraQtSettingsDialogFn = void (*)(Registry* registry, int terminationFd);
using VelmoraQtMessageBoxFn = void (*)(const char* text, std::size_t textSize, const char* caption,
                                       std::size_t captionSize, int icon, int terminationFd);
}

class LazyQt final : public MessageBoxService {
  public:
    // Neither box nor dialog is shown once a termination signal has arrived, and one that is up
    // closes when a signal arrives.
    explicit LazyQt(const TerminationPipe& signals) : Signals(signals) {}
    ~LazyQt() override;
    LazyQt(const LazyQt&) = delete;
    LazyQt& operator=(const LazyQt&) = delete;

    // False when the dialog could not be shown (no Qt module).
    bool ShowSettingsDialog(Registry& registry);
    // Without the module the text goes to stderr, so an error is never lost.
    void Show(std::string_view sjisText, std::string_view sjisCaption, MessageIcon icon) override;

  private:
    bool Load();

    const TerminationPipe& Signals;
    void* Module = nullptr;
    bool Tried = false;
    VelmoraQtSettingsDialogFn RunDialog = nullptr;
    VelmoraQtMessageBoxFn ShowMessageBox = nullptr;
};
