#include "platform/qt/messagebox.h"

#include <QMessageBox>

#include "platform/qt/application.h"

void QtMessageBox::Show(std::string_view sjisText, std::string_view sjisCaption, MessageIcon icon) {
    EnsureQtApplication();
    QMessageBox box(icon == MessageIcon::Stop ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QtText(sjisCaption), QtText(sjisText), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
