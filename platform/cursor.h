// The mouse cursor's display counter.
#pragma once

class CursorService {
  public:
    virtual ~CursorService() = default;
    // ShowCursor: adds 1 (show) or -1 (hide) to the display counter and returns the new count;
    // the cursor is visible while the count is 0 or more.
    virtual int ShowCursor(bool show) = 0;
};
