#include "platform/win32/colorpicker.h"

#include "platform/win32/win.h"

#include <commdlg.h>

bool Win32ColorPicker::Pick(ColorValue& color, std::array<std::uint32_t, 16>& customColors) {
    COLORREF custom[16];
    for (std::size_t i = 0; i < 16; ++i) custom[i] = customColors[i];
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = Owner;
    cc.rgbResult = static_cast<COLORREF>(color) & 0x00FFFFFFu;
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT;
    const bool ok = ChooseColorW(&cc) != FALSE;
    for (std::size_t i = 0; i < 16; ++i) customColors[i] = custom[i];
    if (ok) color = static_cast<ColorValue>(cc.rgbResult & 0x00FFFFFFu);
    return ok;
}
