// TrialWindow: the window of its own that `velmora -window` draws in, to try the saver out: an
// ordinary top-level window that the window manager decorates, moves and closes.
#pragma once

#include <X11/Xlib.h>

class TrialWindow {
  public:
    // Made unmapped: the preview's dispatch shows it, and a second launch that only raises the
    // running instance never does.
    TrialWindow(Display* display, unsigned width, unsigned height);
    ~TrialWindow();
    TrialWindow(const TrialWindow&) = delete;
    TrialWindow& operator=(const TrialWindow&) = delete;

    ::Window Handle() const { return XWindow; }

  private:
    Display* Connection;
    ::Window XWindow = 0;
};
