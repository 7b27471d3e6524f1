// The one Qt application object of a process, and the way the program's texts reach Qt.
#pragma once

#include <string_view>

class QString;

// Creates the QApplication when the process has none yet.
void EnsureQtApplication();

// A Shift-JIS text of the program as Qt shows it.
QString QtText(std::string_view sjis);
