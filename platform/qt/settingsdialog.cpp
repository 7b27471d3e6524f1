#include "platform/qt/settingsdialog.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>

#include "platform/qt/application.h"
#include "platform/qt/colorpicker.h"
#include "platform/qt/formview.h"
#include "platform/qt/messagebox.h"
#include "settings/settingsdialog.h"

void ShowSettingsDialogModal(Registry& registry) {
    EnsureQtApplication();
    QtMessageBox errorBox;
    QDialog window;
    QtColorPicker picker(&window);
    SettingsDialog* dialog = nullptr;
    QtFormView view(SettingsForm, window, [&](ControlId control) {
        dialog->Click(control);
        if (dialog->ModalResult == DialogResult::Ok) window.accept();
        if (dialog->ModalResult == DialogResult::Cancel) window.reject();
    });
    SettingsDialog logic(registry, view, picker, errorBox);
    dialog = &logic;
    // The settings are read into the controls before the window is shown.
    logic.Create();

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
    }
    if (QWidget* first = view.FirstFocus()) first->setFocus(Qt::OtherFocusReason);
    window.exec();
    logic.Destroy();
}
