// A small logind for the end-to-end tests of lockers (xss-lock and the like): it serves
// org.freedesktop.login1 on the bus that DBUS_SYSTEM_BUS_ADDRESS names (a private bus that stands
// for the system bus) with one login session, whose id is XDG_SESSION_ID (1 when unset).
//
//   Manager, /org/freedesktop/login1:
//     GetSession(s) GetSessionByPID(u) ListSessions()  every PID belongs to the one session;
//                                                      "auto" and "self" name it too
//     Inhibit(ssss) -> h      the write end of a pipe; the inhibitor lasts until it is closed
//     ListInhibitors()        the inhibitors held now
//     LockSession(s) UnlockSession(s) LockSessions() UnlockSessions()
//     Suspend(b)              PrepareForSleep(true), then, once the delay inhibitors on "sleep"
//                             are released (5 s at most, as logind's InhibitDelayMaxSec),
//                             PrepareForSleep(false): the machine "woke up"
//   Session, /org/freedesktop/login1/session/<escaped id> (and .../session/auto, .../self):
//     Lock() Unlock()         send the Lock and Unlock signals, which the locker acts on
//     SetLockedHint(b) SetIdleHint(b)
//     properties Id Name User Seat Display Type Class State Active Remote LockedHint IdleHint
//     IdleSinceHint, with PropertiesChanged
//
// It prints "ready" on standard output once it owns the name, and one line on standard error for
// each request that changes something, for the test's log. A test asks it to lock with dbus-send
// (login_session in hostuser.sh):
//   dbus-send --bus=ADDRESS --print-reply --dest=org.freedesktop.login1
//             /org/freedesktop/login1/session/auto org.freedesktop.login1.Session.Lock
// It ends on SIGTERM or SIGINT.
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/epoll.h>
#include <systemd/sd-event.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <list>
#include <string>
#include <vector>

#include "standin.h"

namespace {

// How long logind lets delay inhibitors hold off sleep (InhibitDelayMaxSec).
constexpr std::uint64_t kInhibitDelayMaxUs = 5'000'000;
constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kManagerPath = "/org/freedesktop/login1";
constexpr const char* kManagerInterface = "org.freedesktop.login1.Manager";
constexpr const char* kSessionInterface = "org.freedesktop.login1.Session";
constexpr const char* kNoSuchSession = "org.freedesktop.login1.NoSuchSession";

struct Inhibitor {
    std::string What, Who, Why, Mode;
    std::uint32_t Uid = 0, Pid = 0;
    int Fd = -1;  // our end of the pipe: it hangs up when the holder closes its end
    sd_event_source* Watch = nullptr;
};

struct Login {
    sd_bus* Bus = nullptr;
    sd_event* Loop = nullptr;
    std::string Id, UserName, Display, Path;
    std::uint32_t Uid = getuid();
    bool LockedHint = false, IdleHint = false;
    std::uint64_t IdleSince = 0, IdleSinceMonotonic = 0;
    std::list<Inhibitor> Inhibitors;
    sd_event_source* SleepTimer = nullptr;
    bool Sleeping = false;

    // Where the session's object is served: its own path and the two aliases logind gives the
    // caller's session.
    std::vector<std::string> SessionPaths() const {
        return {Path, "/org/freedesktop/login1/session/auto",
                "/org/freedesktop/login1/session/self"};
    }
    bool Names(const std::string& id) const { return id == Id || id == "auto" || id == "self"; }

    void EmitSession(const char* signal) {
        std::cerr << "logind: " << signal << "\n";
        for (const std::string& path : SessionPaths())
            sd_bus_emit_signal(Bus, path.c_str(), kSessionInterface, signal, "");
    }
    void EmitChanged(const char* property, const char* other = nullptr) {
        for (const std::string& path : SessionPaths())
            sd_bus_emit_properties_changed(Bus, path.c_str(), kSessionInterface, property, other,
                                           nullptr);
    }
    bool SleepDelayed() const {
        for (const Inhibitor& inhibitor : Inhibitors)
            if (inhibitor.Mode == "delay" && inhibitor.What.find("sleep") != std::string::npos)
                return true;
        return false;
    }
    void Wake() {
        if (!Sleeping) return;
        Sleeping = false;
        SleepTimer = sd_event_source_unref(SleepTimer);
        std::cerr << "logind: PrepareForSleep false\n";
        sd_bus_emit_signal(Bus, kManagerPath, kManagerInterface, "PrepareForSleep", "b", 0);
    }
};

Login& Of(void* data) {
    return *static_cast<Login*>(data);
}

// Manager

int GetSession(sd_bus_message* m, void* data, sd_bus_error* error) {
    const char* id = nullptr;
    if (sd_bus_message_read(m, "s", &id) < 0) return -EINVAL;
    if (!Of(data).Names(id))
        return sd_bus_error_setf(error, kNoSuchSession, "No session '%s' known", id);
    return sd_bus_reply_method_return(m, "o", Of(data).Path.c_str());
}

int GetSessionByPID(sd_bus_message* m, void* data, sd_bus_error*) {
    std::uint32_t pid = 0;
    if (sd_bus_message_read(m, "u", &pid) < 0) return -EINVAL;
    return sd_bus_reply_method_return(m, "o", Of(data).Path.c_str());
}

int ListSessions(sd_bus_message* m, void* data, sd_bus_error*) {
    const Login& login = Of(data);
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(m, &reply);
    if (r >= 0)
        r = sd_bus_message_append(reply, "a(susso)", 1, login.Id.c_str(), login.Uid,
                                  login.UserName.c_str(), "seat0", login.Path.c_str());
    if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
}

int InhibitorReleased(sd_event_source*, int, std::uint32_t, void* data);

int Inhibit(sd_bus_message* m, void* data, sd_bus_error* error) {
    Login& login = Of(data);
    const char *what = nullptr, *who = nullptr, *why = nullptr, *mode = nullptr;
    if (sd_bus_message_read(m, "ssss", &what, &who, &why, &mode) < 0) return -EINVAL;
    if (std::string(mode) != "block" && std::string(mode) != "delay")
        return sd_bus_error_setf(error, SD_BUS_ERROR_INVALID_ARGS, "Invalid mode '%s'", mode);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) < 0) return -errno;
    Inhibitor& inhibitor = login.Inhibitors.emplace_back();
    inhibitor.What = what;
    inhibitor.Who = who;
    inhibitor.Why = why;
    inhibitor.Mode = mode;
    inhibitor.Fd = ends[0];
    sd_bus_creds* creds = nullptr;
    if (sd_bus_query_sender_creds(m, SD_BUS_CREDS_PID | SD_BUS_CREDS_EUID, &creds) >= 0) {
        pid_t pid = 0;
        uid_t uid = 0;
        if (sd_bus_creds_get_pid(creds, &pid) >= 0) inhibitor.Pid = std::uint32_t(pid);
        if (sd_bus_creds_get_euid(creds, &uid) >= 0) inhibitor.Uid = uid;
        sd_bus_creds_unref(creds);
    }
    sd_event_add_io(login.Loop, &inhibitor.Watch, inhibitor.Fd, EPOLLHUP, &InhibitorReleased,
                    &login);
    std::cerr << "logind: Inhibit " << what << " " << mode << " by " << who << "\n";
    const int r = sd_bus_reply_method_return(m, "h", ends[1]);  // sends a copy of the write end
    close(ends[1]);
    return r;
}

int InhibitorReleased(sd_event_source* source, int, std::uint32_t, void* data) {
    Login& login = Of(data);
    for (auto it = login.Inhibitors.begin(); it != login.Inhibitors.end(); ++it) {
        if (it->Watch != source) continue;
        std::cerr << "logind: released " << it->What << " " << it->Mode << " by " << it->Who
                  << "\n";
        sd_event_source_unref(it->Watch);
        close(it->Fd);
        login.Inhibitors.erase(it);
        break;
    }
    if (!login.SleepDelayed()) login.Wake();
    return 0;
}

int ListInhibitors(sd_bus_message* m, void* data, sd_bus_error*) {
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(m, &reply);
    if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "(ssssuu)");
    for (const Inhibitor& i : Of(data).Inhibitors)
        if (r >= 0)
            r = sd_bus_message_append(reply, "(ssssuu)", i.What.c_str(), i.Who.c_str(),
                                      i.Why.c_str(), i.Mode.c_str(), i.Uid, i.Pid);
    if (r >= 0) r = sd_bus_message_close_container(reply);
    if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
}

int SessionSignal(sd_bus_message* m, void* data, sd_bus_error* error, const char* signal) {
    const char* id = nullptr;
    if (sd_bus_message_read(m, "s", &id) < 0) return -EINVAL;
    if (!Of(data).Names(id))
        return sd_bus_error_setf(error, kNoSuchSession, "No session '%s' known", id);
    Of(data).EmitSession(signal);
    return standin::ReplyEmpty(m);
}
int LockSession(sd_bus_message* m, void* data, sd_bus_error* error) {
    return SessionSignal(m, data, error, "Lock");
}
int UnlockSession(sd_bus_message* m, void* data, sd_bus_error* error) {
    return SessionSignal(m, data, error, "Unlock");
}
// The session's own Lock() and Unlock(), and the manager's LockSessions() and UnlockSessions():
// there is one session.
int Lock(sd_bus_message* m, void* data, sd_bus_error*) {
    Of(data).EmitSession("Lock");
    return standin::ReplyEmpty(m);
}
int Unlock(sd_bus_message* m, void* data, sd_bus_error*) {
    Of(data).EmitSession("Unlock");
    return standin::ReplyEmpty(m);
}

int SleepDelayOver(sd_event_source*, std::uint64_t, void* data) {
    std::cerr << "logind: the delay inhibitors took too long\n";
    Of(data).Wake();
    return 0;
}

int Suspend(sd_bus_message* m, void* data, sd_bus_error* error) {
    Login& login = Of(data);
    int interactive = 0;
    if (sd_bus_message_read(m, "b", &interactive) < 0) return -EINVAL;
    if (login.Sleeping)
        return sd_bus_error_setf(error, "org.freedesktop.login1.OperationInProgress",
                                 "The system is going to sleep already");
    login.Sleeping = true;
    std::cerr << "logind: PrepareForSleep true\n";
    sd_bus_emit_signal(login.Bus, kManagerPath, kManagerInterface, "PrepareForSleep", "b", 1);
    sd_event_add_time_relative(login.Loop, &login.SleepTimer, CLOCK_MONOTONIC, kInhibitDelayMaxUs,
                               0, &SleepDelayOver, &login);
    if (!login.SleepDelayed()) login.Wake();
    return standin::ReplyEmpty(m);
}

const sd_bus_vtable kManagerTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("GetSession", "s", "o", &GetSession, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("GetSessionByPID", "u", "o", &GetSessionByPID, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("ListSessions", "", "a(susso)", &ListSessions, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Inhibit", "ssss", "h", &Inhibit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("ListInhibitors", "", "a(ssssuu)", &ListInhibitors, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("LockSession", "s", "", &LockSession, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("UnlockSession", "s", "", &UnlockSession, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("LockSessions", "", "", &Lock, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("UnlockSessions", "", "", &Unlock, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Suspend", "b", "", &Suspend, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("PrepareForSleep", "b", 0),
    SD_BUS_VTABLE_END,
};

// Session

// Sets `hint` from the call's boolean: above 0 when that changed it, below 0 for a bad call.
int SetHint(sd_bus_message* m, const char* name, bool& hint) {
    int value = 0;
    if (sd_bus_message_read(m, "b", &value) < 0) return -EINVAL;
    std::cerr << "logind: " << name << " " << (value ? "true" : "false") << "\n";
    const bool changed = hint != bool(value);
    hint = value;
    return changed ? 1 : 0;
}

int SetLockedHint(sd_bus_message* m, void* data, sd_bus_error*) {
    Login& login = Of(data);
    const int r = SetHint(m, "LockedHint", login.LockedHint);
    if (r > 0) login.EmitChanged("LockedHint");
    return r < 0 ? r : standin::ReplyEmpty(m);
}

int SetIdleHint(sd_bus_message* m, void* data, sd_bus_error*) {
    Login& login = Of(data);
    const int r = SetHint(m, "IdleHint", login.IdleHint);
    if (r > 0) {
        login.IdleSince = standin::ClockUs(CLOCK_REALTIME);
        login.IdleSinceMonotonic = standin::ClockUs(CLOCK_MONOTONIC);
        login.EmitChanged("IdleHint", "IdleSinceHint");
    }
    return r < 0 ? r : standin::ReplyEmpty(m);
}

int Property(sd_bus*, const char*, const char*, const char* name, sd_bus_message* reply, void* data,
             sd_bus_error*) {
    const Login& login = Of(data);
    const std::string property = name;
    if (property == "Id") return sd_bus_message_append(reply, "s", login.Id.c_str());
    if (property == "Name") return sd_bus_message_append(reply, "s", login.UserName.c_str());
    if (property == "User")
        return sd_bus_message_append(
            reply, "(uo)", login.Uid,
            ("/org/freedesktop/login1/user/_" + std::to_string(login.Uid)).c_str());
    if (property == "Seat")
        return sd_bus_message_append(reply, "(so)", "seat0", "/org/freedesktop/login1/seat/seat0");
    if (property == "Display") return sd_bus_message_append(reply, "s", login.Display.c_str());
    if (property == "Type") return sd_bus_message_append(reply, "s", "x11");
    if (property == "Class") return sd_bus_message_append(reply, "s", "user");
    if (property == "State") return sd_bus_message_append(reply, "s", "active");
    if (property == "Active") return sd_bus_message_append(reply, "b", 1);
    if (property == "Remote") return sd_bus_message_append(reply, "b", 0);
    if (property == "LockedHint") return sd_bus_message_append(reply, "b", login.LockedHint);
    if (property == "IdleHint") return sd_bus_message_append(reply, "b", login.IdleHint);
    if (property == "IdleSinceHint") return sd_bus_message_append(reply, "t", login.IdleSince);
    if (property == "IdleSinceHintMonotonic")
        return sd_bus_message_append(reply, "t", login.IdleSinceMonotonic);
    return -ENOENT;
}

// The session's properties, all read by Property: those that never change, and those that say so.
#define SESSION_CONSTANT(name, signature) \
    SD_BUS_PROPERTY(name, signature, &Property, 0, SD_BUS_VTABLE_PROPERTY_CONST)
#define SESSION_CHANGING(name, signature) \
    SD_BUS_PROPERTY(name, signature, &Property, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE)

const sd_bus_vtable kSessionTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_SIGNAL("Lock", "", 0),
    SD_BUS_SIGNAL("Unlock", "", 0),
    SD_BUS_METHOD("Lock", "", "", &Lock, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Unlock", "", "", &Unlock, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SetLockedHint", "b", "", &SetLockedHint, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SetIdleHint", "b", "", &SetIdleHint, SD_BUS_VTABLE_UNPRIVILEGED),
    // clang-format off
    SESSION_CONSTANT("Id", "s"), SESSION_CONSTANT("Name", "s"), SESSION_CONSTANT("User", "(uo)"),
    SESSION_CONSTANT("Seat", "(so)"), SESSION_CONSTANT("Display", "s"), SESSION_CONSTANT("Type", "s"),
    SESSION_CONSTANT("Class", "s"), SESSION_CONSTANT("State", "s"), SESSION_CONSTANT("Active", "b"),
    SESSION_CONSTANT("Remote", "b"), SESSION_CHANGING("LockedHint", "b"),
    SESSION_CHANGING("IdleHint", "b"), SESSION_CHANGING("IdleSinceHint", "t"),
    SESSION_CHANGING("IdleSinceHintMonotonic", "t"),
    // clang-format on
    SD_BUS_VTABLE_END,
};

}  // namespace

int main() {
    Login login;
    const char* id = std::getenv("XDG_SESSION_ID");
    login.Id = id != nullptr && *id != '\0' ? id : "1";
    const passwd* user = getpwuid(login.Uid);
    login.UserName = user != nullptr ? user->pw_name : std::to_string(login.Uid);
    const char* display = std::getenv("DISPLAY");
    login.Display = display != nullptr ? display : "";
    // logind's object paths escape the id ("1" becomes "_31").
    char* path = nullptr;
    if (sd_bus_path_encode("/org/freedesktop/login1/session", login.Id.c_str(), &path) < 0)
        return 1;
    login.Path = path;
    std::free(path);

    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    sigprocmask(SIG_BLOCK, &ending, nullptr);
    if (sd_event_default(&login.Loop) < 0 || sd_bus_open_system(&login.Bus) < 0) {
        std::cerr << "logind: no system bus (DBUS_SYSTEM_BUS_ADDRESS)\n";
        return 1;
    }
    sd_event_add_signal(login.Loop, nullptr, SIGTERM, nullptr, nullptr);
    sd_event_add_signal(login.Loop, nullptr, SIGINT, nullptr, nullptr);
    bool served =
        sd_bus_attach_event(login.Bus, login.Loop, 0) >= 0 &&
        standin::AddObjects(login.Bus, {kManagerPath}, kManagerInterface, kManagerTable, &login);
    for (const std::string& sessionPath : login.SessionPaths())
        served = served && standin::AddObjects(login.Bus, {sessionPath.c_str()}, kSessionInterface,
                                               kSessionTable, &login);
    if (!served || sd_bus_request_name(login.Bus, kService, 0) < 0) {
        std::cerr << "logind: cannot serve " << kService << "\n";
        return 1;
    }
    std::cout << "ready" << std::endl;
    const int status = sd_event_loop(login.Loop);
    for (Inhibitor& inhibitor : login.Inhibitors) {
        sd_event_source_unref(inhibitor.Watch);
        close(inhibitor.Fd);
    }
    sd_event_source_unref(login.SleepTimer);
    sd_bus_flush_close_unref(login.Bus);
    sd_event_unref(login.Loop);
    return status < 0 ? 1 : 0;
}
