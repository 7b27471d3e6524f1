// LazyQt: the settings dialog and the message box, from the Qt module loaded on first use.
#pragma once

#include <cstddef>
#include <string>

#include "platform/messagebox.h"
#include "platform/registry.h"

// The module's entry points.
extern "C" {
using VelmoraQtSettingsDialogFn = void (*)(Registry* registry);
using VelmoraQtMessageBoxFn = void (*)(const char* text, std::size_t textSize, const char* caption,
                                       std::size_t captionSize, int icon);
}

class LazyQt final : public MessageBoxService {
  public:
    LazyQt() = default;
    ~LazyQt() override;
    LazyQt(const LazyQt&) = delete;
    LazyQt& operator=(const LazyQt&) = delete;

    void ShowSettingsDialog(Registry& registry);
    // Without the module the text goes to stderr, so an error is never lost.
    void Show(std::string_view sjisText, std::string_view sjisCaption, MessageIcon icon) override;

  private:
    bool Load();

    void* module_ = nullptr;
    bool tried_ = false;
    VelmoraQtSettingsDialogFn dialog_ = nullptr;
    VelmoraQtMessageBoxFn box_ = nullptr;
};
