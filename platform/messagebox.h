// The platform's message box.
#pragma once

#include <string_view>

enum class MessageIcon { None, Stop };

class MessageBoxService {
  public:
    virtual ~MessageBoxService() = default;
    // Shows a modal box with an OK button and returns when it is closed. Texts are Shift-JIS.
    virtual void Show(std::string_view sjisText, std::string_view sjisCaption,
                      MessageIcon icon) = 0;
};
