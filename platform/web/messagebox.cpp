#include "platform/web/messagebox.h"

#include <emscripten.h>

#include <string>

#include "platform/posix/codepage.h"

// clang-format off
EM_JS(void, PageShowMessage, (const char* text, const char* caption, int stop), {
    Module.showMessage(UTF8ToString(text), UTF8ToString(caption), stop !== 0);
});
// clang-format on

void PageMessageBox::Show(std::string_view sjisText, std::string_view sjisCaption,
                          MessageIcon icon) {
    const std::string text = SjisToUtf8(sjisText), caption = SjisToUtf8(sjisCaption);
    PageShowMessage(text.c_str(), caption.c_str(), icon == MessageIcon::Stop ? 1 : 0);
}
