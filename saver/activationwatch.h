// ActivationWatch: whether the saver's losing the activation to another program ends it. A saver
// that another window has taken the keyboard from would sit over the desktop, partly covered and
// deaf to typed keys; it closes instead, as it does on input.
#pragma once

// Lives on the window's thread. Its window backend says when the activation comes to the saver
// and when it goes to a window that is none of the saver's own (its covers, its message boxes);
// the saver says when it is watched: from its show to its close, outside its own dialogs.
class ActivationWatch {
  public:
    // The saver's window, or one of its covers, has the activation.
    void Gained() { Active = true; }
    // The saver is on the screen and ends on input (true), or is not yet, or no longer (false).
    void SetWatching(bool watching) { Watching = watching; }
    // A dialog of the saver's own takes the activation, then gives it back. Nested dialogs
    // count one by one.
    void DialogOpened() { ++Dialogs; }
    void DialogClosed() {
        if (Dialogs > 0) --Dialogs;
    }
    // The activation has gone to another program; true when that ends the saver. Not during its
    // creation or close, not while its own dialog is open, and not unless it had the activation:
    // a loss reported late, or twice, ends nothing.
    bool Lost();

    bool HasActivation() const { return Active; }

  private:
    bool Active = false;
    bool Watching = false;
    int Dialogs = 0;
};
