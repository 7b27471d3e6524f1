#include "saver/windowlifecycle.h"

#include <utility>

WindowLifecycle::WindowLifecycle(WindowPrimitives& primitives, ErrorReport report)
    : Primitives(primitives), Report(std::move(report)) {}

template <typename Handler>
void WindowLifecycle::Guarded(Handler&& handler) {
    if (!Report) {
        handler();
        return;
    }
    try {
        handler();
    } catch (const std::exception& error) {
        // The rest of the handler is skipped and the construction goes on.
        Report(error);
    }
}

bool WindowLifecycle::Create(WindowEvents& form) {
    Form = &form;
    WindowCreateParams params = Primitives.DefaultParams();
    form.OnCreateParams(params);
    if (!Primitives.MakeWindow(params)) return false;

    Guarded([&] { form.OnCreate(); });
    if (Done) return true;
    // A termination signal while the settings were read: end before the window shows or the
    // display is switched.
    if (Primitives.TerminationPending()) {
        Close();
        if (Done) return true;
    }

    if (!Primitives.Map() || Done) return true;
    Guarded([&] { form.OnShow(); });
    FormShown = true;
    if (Done) return true;

    Primitives.TakeInput();
    return true;
}

void WindowLifecycle::Close() {
    if (Form == nullptr || QueryRunning || Done) return;
    QueryRunning = true;
    bool canClose = true;
    try {
        Form->OnCloseQuery(canClose);
    } catch (...) {
        // An error leaving the query refuses this close, not every later one.
        QueryRunning = false;
        throw;
    }
    QueryRunning = false;
    if (!canClose) return;
    // Closed before the form's close runs: whatever it calls on the way out sees the window going.
    Done = true;
    Form->OnClose();
    Primitives.Unmap();
}

void WindowLifecycle::CloseLost() {
    Close();
    if (Done || Form == nullptr) return;
    Done = true;
    Form->OnClose();
}
