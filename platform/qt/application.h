// The one Qt application object of a process, and the way the program's texts reach Qt.
#pragma once

#include <string_view>

class QString;

// Creates the QApplication when the process has none yet.
void EnsureQtApplication();

// From now on, once `fd` is readable (a termination signal has arrived), every dialog and box
// is rejected and every event loop, nested ones included, ends at once, as does any loop started
// later: the program's ordinary end then runs. The first call with a valid fd counts; needs the
// application object.
void CloseAllOnReadable(int fd);

// A Shift-JIS text of the program as Qt shows it.
QString QtText(std::string_view sjis);
