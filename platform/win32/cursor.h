// Win32Cursor: the cursor's display counter (ShowCursor).
#pragma once

#include "platform/cursor.h"

class Win32Cursor final : public CursorService {
  public:
    int ShowCursor(bool show) override;
};
