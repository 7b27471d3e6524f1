#include "platform/win32/cursor.h"

#include "platform/win32/win.h"

int Win32Cursor::ShowCursor(bool show) {
    return ::ShowCursor(show ? TRUE : FALSE);
}
