// SessionLockWatch: whether the desktop session is locked, as the programs that know tell it:
// logind's LockedHint of this session (system bus), GNOME's screen shield (org.gnome.ScreenSaver)
// and the desktop's org.freedesktop.ScreenSaver (KDE's locker; session bus). Each reports to
// IdleWatcher::SetLocked under its own teller; one that is missing or does not answer says
// nothing, which counts as unlocked. A teller that comes onto its bus later (a desktop shell
// that starts after velmora-idle, or restarts) is asked when it comes; one that leaves says
// unlocked.
#pragma once

#include <systemd/sd-bus.h>

#include <functional>

#include "idle/idlewatcher.h"

class SessionLockWatch {
  public:
    using LockChanged = std::function<void(LockTeller teller, bool locked)>;

    // Either bus may be null. `askDesktopSaver`: false when velmora-idle serves
    // org.freedesktop.ScreenSaver itself (its answer would be the saver's own state).
    SessionLockWatch(sd_bus* system, sd_bus* session, bool askDesktopSaver, LockChanged changed);
    // From now on asks org.freedesktop.ScreenSaver too: another program has taken it from
    // velmora-idle. Once is enough; again does nothing.
    void AskDesktopSaver();
    ~SessionLockWatch();
    SessionLockWatch(const SessionLockWatch&) = delete;
    SessionLockWatch& operator=(const SessionLockWatch&) = delete;

  private:
    friend struct SessionLockCalls;
    void AskLockedHint();
    void AskGnome();
    void AskDesktop();
    bool FollowingDesktopSaver = false;
    // Calls `ask` each time `name` gets an owner on `bus`; `teller` says unlocked when it loses it.
    sd_bus_slot* WatchOwner(sd_bus* bus, const char* name, LockTeller teller);

    sd_bus* SystemBus;
    sd_bus* SessionBus = nullptr;
    LockChanged Report;
    char* SessionPath = nullptr;
    sd_bus_slot* LogindMatch = nullptr;
    sd_bus_slot* LogindCall = nullptr;
    sd_bus_slot* GnomeMatch = nullptr;
    sd_bus_slot* GnomeCall = nullptr;
    sd_bus_slot* DesktopMatch = nullptr;
    sd_bus_slot* DesktopCall = nullptr;
    sd_bus_slot* Owners[3] = {};
};
