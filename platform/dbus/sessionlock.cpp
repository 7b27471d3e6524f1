#include "platform/dbus/sessionlock.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/dbus/sessionbus.h"

namespace {

constexpr const char* kLogin = "org.freedesktop.login1";
constexpr const char* kSessionInterface = "org.freedesktop.login1.Session";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr const char* kGnome = "org.gnome.ScreenSaver";
constexpr const char* kGnomePath = "/org/gnome/ScreenSaver";
constexpr const char* kDesktop = "org.freedesktop.ScreenSaver";
constexpr const char* kDesktopPath = "/ScreenSaver";

// A "b" answer or signal saying on; off too for an error, a timeout or another type.
bool SaysOn(sd_bus_message* message) {
    int flag = 0;
    return ReadAnswer(message, "b", &flag) && flag != 0;
}

}  // namespace

struct SessionLockCalls {
    static SessionLockWatch& Of(void* data) { return *static_cast<SessionLockWatch*>(data); }

    static int LockedHint(sd_bus_message* reply, void* data, sd_bus_error*) {
        auto& self = Of(data);
        self.LogindCall = sd_bus_slot_unref(self.LogindCall);
        int flag = 0;
        self.Report(LockTeller::Logind, ReadAnswer(reply, "v", "b", &flag) && flag != 0);
        return 0;
    }
    // Whatever changed on the session, the hint is asked afresh: logind may only say it changed.
    static int SessionChanged(sd_bus_message*, void* data, sd_bus_error*) {
        Of(data).AskLockedHint();
        return 0;
    }
    // A screen saver's ActiveChanged, or its answer to GetActive (which ends the call).
    template <LockTeller Teller, sd_bus_slot* SessionLockWatch::*Call>
    static int SaverActive(sd_bus_message* message, void* data, sd_bus_error*) {
        auto& self = Of(data);
        if (sd_bus_message_is_signal(message, nullptr, nullptr) == 0)
            self.*Call = sd_bus_slot_unref(self.*Call);
        self.Report(Teller, SaysOn(message));
        return 0;
    }
    static constexpr auto Gnome = SaverActive<LockTeller::GnomeShell, &SessionLockWatch::GnomeCall>;
    static constexpr auto Desktop =
        SaverActive<LockTeller::DesktopSaver, &SessionLockWatch::DesktopCall>;
    // NameOwnerChanged of a teller's name: a new owner is asked, a vanished one says unlocked.
    template <LockTeller Teller>
    static int OwnerChanged(sd_bus_message* message, void* data, sd_bus_error*) {
        auto& self = Of(data);
        const char* name = nullptr;
        bool owned = false;
        if (!ReadOwnerChange(message, name, owned)) return 0;
        if (!owned) {
            self.Report(Teller, false);
        } else if constexpr (Teller == LockTeller::Logind) {
            self.AskLockedHint();
        } else if constexpr (Teller == LockTeller::GnomeShell) {
            self.AskGnome();
        } else {
            self.AskDesktop();
        }
        return 0;
    }
};

SessionLockWatch::SessionLockWatch(sd_bus* system, sd_bus* session, bool askDesktopSaver,
                                   LockChanged changed)
    : SystemBus(system), Report(std::move(changed)) {
    if (SystemBus != nullptr) {
        // This session's object: named by XDG_SESSION_ID where the login set it, else the one
        // logind finds for this process.
        const char* id = std::getenv("XDG_SESSION_ID");
        if (sd_bus_path_encode("/org/freedesktop/login1/session",
                               id != nullptr && *id != '\0' ? id : "auto", &SessionPath) >= 0) {
            sd_bus_match_signal_async(SystemBus, &LogindMatch, kLogin, SessionPath, kProperties,
                                      "PropertiesChanged", &SessionLockCalls::SessionChanged,
                                      nullptr, this);
            Owners[0] = WatchOwner(SystemBus, kLogin, LockTeller::Logind);
            AskLockedHint();
        }
    }
    SessionBus = session;
    if (SessionBus != nullptr) {
        sd_bus_match_signal_async(SessionBus, &GnomeMatch, kGnome, kGnomePath, kGnome,
                                  "ActiveChanged", SessionLockCalls::Gnome, nullptr, this);
        Owners[1] = WatchOwner(SessionBus, kGnome, LockTeller::GnomeShell);
        AskGnome();
        if (askDesktopSaver) AskDesktopSaver();
    }
}

void SessionLockWatch::AskDesktopSaver() {
    if (SessionBus == nullptr || FollowingDesktopSaver) return;
    FollowingDesktopSaver = true;
    sd_bus_match_signal_async(SessionBus, &DesktopMatch, kDesktop, kDesktopPath, kDesktop,
                              "ActiveChanged", SessionLockCalls::Desktop, nullptr, this);
    Owners[2] = WatchOwner(SessionBus, kDesktop, LockTeller::DesktopSaver);
    AskDesktop();
}

sd_bus_slot* SessionLockWatch::WatchOwner(sd_bus* bus, const char* name, LockTeller teller) {
    sd_bus_message_handler_t handler =
        teller == LockTeller::Logind ? &SessionLockCalls::OwnerChanged<LockTeller::Logind>
        : teller == LockTeller::GnomeShell
            ? &SessionLockCalls::OwnerChanged<LockTeller::GnomeShell>
            : &SessionLockCalls::OwnerChanged<LockTeller::DesktopSaver>;
    sd_bus_slot* slot = nullptr;
    WatchNameOwner(bus, &slot, name, handler, this);
    return slot;
}

void SessionLockWatch::AskGnome() {
    GnomeCall = sd_bus_slot_unref(GnomeCall);
    CallAsync(SessionBus, &GnomeCall, kGnome, kGnomePath, kGnome, "GetActive",
              SessionLockCalls::Gnome, this, "");
}

void SessionLockWatch::AskDesktop() {
    DesktopCall = sd_bus_slot_unref(DesktopCall);
    CallAsync(SessionBus, &DesktopCall, kDesktop, kDesktopPath, kDesktop, "GetActive",
              SessionLockCalls::Desktop, this, "");
}

SessionLockWatch::~SessionLockWatch() {
    for (sd_bus_slot* slot :
         {LogindMatch, LogindCall, GnomeMatch, GnomeCall, DesktopMatch, DesktopCall})
        sd_bus_slot_unref(slot);
    for (sd_bus_slot* slot : Owners) sd_bus_slot_unref(slot);
    std::free(SessionPath);
}

void SessionLockWatch::AskLockedHint() {
    LogindCall = sd_bus_slot_unref(LogindCall);
    CallAsync(SystemBus, &LogindCall, kLogin, SessionPath, kProperties, "Get",
              &SessionLockCalls::LockedHint, this, "ss", kSessionInterface, "LockedHint");
}
