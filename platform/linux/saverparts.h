// SaverParts: what the saver of a Linux desktop is made of, whichever window system draws it (the
// window, its display modes, the controller and, for a saver of its own, the session locker),
// made, run and ended in one order.
#pragma once

#include <memory>

#include "platform/dbus/logindlocker.h"
#include "platform/linux/desktopwiring.h"
#include "saver/savercontroller.h"

template <typename Window, typename Modes>
struct SaverParts {
    // Destroyed from the last up: the controller stops the frames before the window goes, and
    // the locker, which the controller reports to, goes last.
    std::unique_ptr<LogindLocker> Locker;
    std::unique_ptr<Window> SaverWindow;
    std::unique_ptr<Modes> DisplayModes;
    std::unique_ptr<SaverController> Controller;

    // The controller over the window and the modes already made; a saver of its own (no host:
    // not a hack in another program's window) can leave the session locked. False, with
    // everything gone again, when the window cannot be made.
    bool Create(const DesktopWiring& wiring, WindowHandle host) {
        Controller = MakeSaverController(*SaverWindow, *DisplayModes, wiring, host);
        if (host == 0) {
            Locker = std::make_unique<LogindLocker>("velmora");
            SaverWindow->AddLoopSource(*Locker);
            Controller->UseSessionLocker(*Locker);
        }
        if (SaverWindow->Create(*Controller)) return true;
        Reset();
        return false;
    }

    // The window's loop, unless the run was ended before it, then the end of everything; false
    // when the saver never ran.
    bool Run(bool terminated, const DesktopWiring& wiring) {
        if (SaverWindow != nullptr && !terminated) SaverWindow->Run();
        const bool ran = !SaverNeverRan(Controller.get(), wiring);
        Reset();
        return ran;
    }

    void Reset() {
        Controller.reset();
        DisplayModes.reset();
        SaverWindow.reset();
        Locker.reset();
    }
};
