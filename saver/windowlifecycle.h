// WindowLifecycle: the saver window's create, show and close, in the same order on every window
// system. Backends supply the primitives (make the native window, put it on the screen, let input
// reach it, take it off); when the form's handlers run around them is decided here alone. The
// saver is a guest of the session: no primitive holds off the desktop's own blanking, locking or
// power saving.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>

#include "platform/window.h"

// What a backend does for the lifecycle. All calls come from the window's thread.
class WindowPrimitives {
  public:
    virtual ~WindowPrimitives() = default;
    // The framework's own parameters for a borderless form, before the form adjusts them.
    virtual WindowCreateParams DefaultParams() = 0;
    // Makes the native window the parameters describe; false when it cannot be made.
    virtual bool MakeWindow(const WindowCreateParams& params) = 0;
    // A termination request arrived while the form was being created.
    virtual bool TerminationPending() { return false; }
    // Puts the window on the screen; false when it did not get there (the backend has then asked
    // for the close, or lost its display).
    virtual bool Map() = 0;
    // The window is on the screen with its frames running: input may now reach the form.
    virtual void TakeInput() {}
    // After an allowed close: takes the window and its covers off the screen at once, and ends the
    // message loop where the loop does not watch Closed().
    virtual void Unmap() = 0;
};

class WindowLifecycle {
  public:
    // Shows an error that leaves a handler, as the framework's standard report does.
    using ErrorReport = std::function<void(const std::exception&)>;

    // With `report`, an error leaving OnCreate or OnShow is reported and the construction goes on;
    // without, it passes to the caller.
    explicit WindowLifecycle(WindowPrimitives& primitives, ErrorReport report = {});
    WindowLifecycle(const WindowLifecycle&) = delete;
    WindowLifecycle& operator=(const WindowLifecycle&) = delete;

    // The form's construction: OnCreateParams, the native window, OnCreate; then, unless the form
    // has closed or a termination request closes it, the map and OnShow; then, while it stays
    // open, input. False when the window could not be made; the form's handlers after
    // OnCreateParams have then not run.
    bool Create(WindowEvents& form);
    // The framework's close request: the form's close query, then on consent its close and the
    // unmap. Refused while a close query is running (a movement during the password dialog) and
    // once the form has closed (a close asked from its own close handler), so the query and the
    // close each run once per close.
    void Close();
    // The display is gone: the close query still runs (it stops the frames), but the form closes
    // whatever it answers. Nothing is left on the screen to unmap.
    void CloseLost();

    bool Closed() const { return Done; }
    bool Closing() const { return QueryRunning; }
    // OnShow has run: from here frames draw.
    bool Shown() const { return FormShown; }

  private:
    template <typename Handler>
    void Guarded(Handler&& handler);

    WindowPrimitives& Primitives;
    ErrorReport Report;
    WindowEvents* Form = nullptr;
    bool QueryRunning = false;
    bool Done = false;
    bool FormShown = false;
};
