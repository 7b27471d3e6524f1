#include "platform/qt/application.h"

#include <poll.h>

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QString>

#include "platform/posix/codepage.h"

namespace {

void CloseAll() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget))
            dialog->reject();
        else
            widget->hide();
    }
    // Ends the loops of every exec() on the stack, and makes any later exec() return at once.
    QCoreApplication::exit(1);
}

}  // namespace

void EnsureQtApplication() {
    if (QApplication::instance()) return;
    // QApplication keeps references to argc and argv for its whole life.
    static int argc = 1;
    static char name[] = "velmora";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

void CloseAllOnReadable(int fd) {
    static QSocketNotifier* watch = nullptr;
    if (fd < 0 || watch != nullptr || QCoreApplication::instance() == nullptr) return;
    // The pipe is left unread: the program's own loops see it too once Qt has returned.
    watch = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(watch, &QSocketNotifier::activated, [] {
        watch->setEnabled(false);
        CloseAll();
    });
    pollfd pending{fd, POLLIN, 0};
    if (poll(&pending, 1, 0) > 0) {
        watch->setEnabled(false);
        CloseAll();
    }
}

QString QtText(std::string_view sjis) {
    // glibc's iconv knows code page 932 everywhere; Qt's own decoder may lack it.
    return QString::fromStdString(SjisToUtf8(sjis));
}
