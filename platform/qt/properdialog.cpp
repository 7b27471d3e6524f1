#include "platform/qt/properdialog.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>

#include "platform/qt/application.h"
#include "platform/qt/colorpicker.h"
#include "platform/qt/messagebox.h"
#include "platform/qt/properform.h"
#include "settings/proper.h"

void ShowSettingsDialogModal(Registry& registry) {
    EnsureQtApplication();
    QtMessageBox errorBox;
    QDialog dialog;
    QtColorPicker picker(&dialog);
    TproperF* form = nullptr;
    QtFormView view(properFForm, dialog, [&](std::string_view control) {
        form->Click(control);
        if (form->ModalResult == TModalResult::Ok) dialog.accept();
        if (form->ModalResult == TModalResult::Cancel) dialog.reject();
    });
    TproperF properF(registry, view, picker, errorBox);
    form = &properF;
    // Construction reads the settings before the window exists, as the form's creation does.
    properF.Create();

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        dialog.move(area.center() - QPoint(dialog.width() / 2, dialog.height() / 2));
    }
    if (QWidget* first = view.FirstFocus()) first->setFocus(Qt::OtherFocusReason);
    dialog.exec();
    properF.Destroy();
}
