#include "platform/qt/application.h"

#include <QApplication>
#include <QString>

#include "platform/posix/codepage.h"

void EnsureQtApplication() {
    if (QApplication::instance()) return;
    // QApplication keeps references to argc and argv for its whole life.
    static int argc = 1;
    static char name[] = "velmora";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

QString QtText(std::string_view sjis) {
    // glibc's iconv knows code page 932 everywhere; Qt's own decoder may lack it.
    return QString::fromStdString(SjisToUtf8(sjis));
}
