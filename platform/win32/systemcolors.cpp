#include "platform/win32/systemcolors.h"

#include "platform/win32/win.h"

std::uint32_t Win32SystemColors::SysColor(int index) const {
    // COLORREF is 0x00BBGGRR already, the layout ColorValue uses.
    return static_cast<std::uint32_t>(GetSysColor(index)) & 0x00FFFFFFu;
}
