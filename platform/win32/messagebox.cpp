#include "platform/win32/messagebox.h"

#include "platform/win32/win.h"

#include "platform/win32/sjis.h"

void Win32MessageBox::Show(std::string_view sjisText, std::string_view sjisCaption,
                           MessageIcon icon) {
    const std::wstring text = SjisToWide(sjisText);
    const std::wstring caption = SjisToWide(sjisCaption);
    UINT type = MB_OK | (icon == MessageIcon::Stop ? MB_ICONSTOP : 0);
    // Without an owner the box could open behind a top-most saver window.
    if (Owner == nullptr) type |= MB_TASKMODAL | MB_TOPMOST | MB_SETFOREGROUND;
    MessageBoxW(Owner, text.c_str(), caption.c_str(), type);
}
