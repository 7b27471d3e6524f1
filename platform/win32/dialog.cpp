#include "platform/win32/dialog.h"

#include "platform/win32/colorpicker.h"
#include "platform/win32/form.h"
#include "platform/win32/systemcolors.h"
#include "platform/win32/win.h"
#include "settings/settingsdialog.h"

void RunSettingsDialog(HWND, Registry& registry, MessageBoxService& box) {
    Win32SystemColors colors;
    Win32Form form(SettingsForm, colors);
    Win32ColorPicker picker;
    SettingsDialog dialog(registry, form, picker, box);

    // The dialog's window parameters: its owner is whatever window is in the foreground when
    // the window is made, and that window stays disabled for as long as the dialog exists.
    HWND ownerWnd = GetForegroundWindow();
    if (!form.Create(ownerWnd, [&dialog](ControlId control) { dialog.Click(control); })) return;
    if (ownerWnd != nullptr) EnableWindow(ownerWnd, FALSE);
    // The picker runs modally over the dialog itself, so the dialog cannot be used meanwhile.
    picker.SetOwner(form.Handle());

    dialog.Create();
    form.RunModal([&dialog] { return dialog.ModalResult != DialogResult::None; });
    form.Hide();
    if (ownerWnd != nullptr) EnableWindow(ownerWnd, TRUE);
    dialog.Destroy();
}
